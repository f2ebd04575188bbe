#include "Input.h"
#include "Internal.h"
#include "Threads.h"
#include "WindowTable.h"

namespace win32::detail {
namespace {

// Focus, the active window and the caret belong to a thread.
struct Caret {
    HWND owner = nullptr;
    int width = 0;
    int height = 0;
    POINT position{0, 0};
    int hidden = 1; // a new caret starts hidden
};

thread_local HWND t_focus = nullptr;
thread_local HWND t_active = nullptr;
thread_local Caret t_caret;

DWORD OwnerOf(HWND hwnd) {
    return GetWindowThreadProcessId(hwnd, nullptr);
}

// Sends to a window of this thread, posts to another thread's.
void Tell(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (OwnerOf(hwnd) == CurrentThreadId())
        SendMessageW(hwnd, msg, wParam, lParam);
    else
        PostMessageW(hwnd, msg, wParam, lParam);
}

} // namespace

void ActivateWindow(HWND hwnd, WORD state) {
    HWND previous;
    {
        std::lock_guard lock(Input().mutex);
        previous = Input().foreground;
        if (previous == hwnd)
            return;
        Input().foreground = hwnd;
    }
    t_active = hwnd;
    if (previous && IsWindow(previous))
        Tell(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hwnd));
    SendMessageW(hwnd, WM_ACTIVATE, MAKEWPARAM(state, 0), reinterpret_cast<LPARAM>(previous));
    if (ScreenBackend* screen = InstalledScreen())
        screen->FocusWindowChanged(hwnd);
}

void ForgetWindow(HWND hwnd) {
    if (t_focus == hwnd || (t_focus && IsChild(hwnd, t_focus)))
        t_focus = nullptr;
    if (t_active == hwnd)
        t_active = nullptr;
    if (t_caret.owner == hwnd)
        t_caret = Caret{};
    bool captureLost = false;
    bool wasForeground = false;
    {
        std::lock_guard lock(Input().mutex);
        if (Input().foreground == hwnd) {
            Input().foreground = nullptr;
            wasForeground = true;
        }
        if (Input().capture == hwnd) {
            Input().capture = nullptr;
            captureLost = true;
        }
    }
    if (captureLost)
        if (ScreenBackend* screen = InstalledScreen())
            screen->CaptureChanged(nullptr);
    // An owned window that goes away hands the activation back to its owner
    // (a message box to the dialog it was raised over).
    if (wasForeground) {
        HWND owner = GetWindow(hwnd, GW_OWNER);
        if (owner && IsWindowVisible(owner) && IsWindowEnabled(owner))
            SetForegroundWindow(owner);
    }
}

} // namespace win32::detail

using namespace win32::detail;
using win32::InstalledScreen;
using win32::ScreenBackend;

HWND SetFocus(HWND hwnd) {
    if (hwnd && (!IsWindow(hwnd) || OwnerOf(hwnd) != CurrentThreadId()))
        return nullptr;
    HWND old = t_focus;
    if (old == hwnd)
        return old;
    t_focus = hwnd;
    if (old && IsWindow(old))
        SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && IsWindow(hwnd) && t_focus == hwnd)
        SendMessageW(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus() {
    if (t_focus && !IsWindow(t_focus))
        t_focus = nullptr;
    return t_focus;
}

HWND GetActiveWindow() {
    return t_active && IsWindow(t_active) ? t_active : nullptr;
}

HWND SetActiveWindow(HWND hwnd) {
    HWND old = GetActiveWindow();
    if (hwnd && IsWindow(hwnd))
        ActivateWindow(hwnd, WA_ACTIVE);
    return old;
}

HWND GetForegroundWindow() {
    std::lock_guard lock(Input().mutex);
    return Input().foreground;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!IsWindow(hwnd))
        return FALSE;
    if (OwnerOf(hwnd) == CurrentThreadId()) {
        ActivateWindow(hwnd, WA_ACTIVE);
        return TRUE;
    }
    HWND previous;
    {
        std::lock_guard lock(Input().mutex);
        previous = Input().foreground;
        if (previous == hwnd)
            return TRUE;
        Input().foreground = hwnd;
    }
    if (previous && IsWindow(previous))
        Tell(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hwnd));
    PostMessageW(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(previous));
    if (ScreenBackend* screen = InstalledScreen())
        screen->FocusWindowChanged(hwnd);
    return TRUE;
}

HWND SetCapture(HWND hwnd) {
    HWND old;
    {
        std::lock_guard lock(Input().mutex);
        old = Input().capture;
        Input().capture = hwnd;
    }
    if (old && old != hwnd && IsWindow(old))
        Tell(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    if (ScreenBackend* screen = InstalledScreen())
        screen->CaptureChanged(hwnd);
    return old;
}

BOOL ReleaseCapture() {
    HWND old;
    {
        std::lock_guard lock(Input().mutex);
        old = Input().capture;
        Input().capture = nullptr;
    }
    if (old && IsWindow(old))
        Tell(old, WM_CAPTURECHANGED, 0, 0);
    if (old)
        if (ScreenBackend* screen = InstalledScreen())
            screen->CaptureChanged(nullptr);
    return TRUE;
}

HWND GetCapture() {
    HWND capture;
    {
        std::lock_guard lock(Input().mutex);
        capture = Input().capture;
    }
    if (capture && OwnerOf(capture) == CurrentThreadId())
        return capture;
    return nullptr;
}

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height) {
    if (!IsWindow(hwnd))
        return FALSE;
    t_caret = Caret{hwnd, width, height, {0, 0}, 1};
    return TRUE;
}

BOOL DestroyCaret() {
    if (!t_caret.owner)
        return FALSE;
    t_caret = Caret{};
    return TRUE;
}

BOOL SetCaretPos(int x, int y) {
    if (!t_caret.owner)
        return FALSE;
    t_caret.position = POINT{x, y};
    return TRUE;
}

BOOL GetCaretPos(LPPOINT point) {
    if (!point)
        return FALSE;
    *point = t_caret.position;
    return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
    if (!t_caret.owner || (hwnd && hwnd != t_caret.owner))
        return FALSE;
    if (t_caret.hidden > 0)
        --t_caret.hidden;
    return TRUE;
}

BOOL HideCaret(HWND hwnd) {
    if (!t_caret.owner || (hwnd && hwnd != t_caret.owner))
        return FALSE;
    ++t_caret.hidden;
    return TRUE;
}
