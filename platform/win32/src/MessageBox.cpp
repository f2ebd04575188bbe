#include "Dialogs.h"
#include "Internal.h"
#include "Threads.h"
#include "WindowTable.h"

#include <algorithm>
#include <win32/Gdi.h>

namespace win32::detail {
namespace {

constexpr DWORD kTextId = 0xFFFF;

INT_PTR CALLBACK MessageBoxDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        // An OK box answers OK however it is closed.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(hwnd, IDOK);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

DialogTemplate MessageBoxTemplate(const std::wstring& text, const std::wstring& caption,
                                  std::size_t maxLines) {
    // Laid out in dialog units of the shell font: about four units a
    // character, eight a line.
    std::size_t lines = 1;
    std::size_t longest = 0;
    std::size_t current = 0;
    for (wchar_t c : text) {
        if (c == L'\n') {
            ++lines;
            current = 0;
        } else if (c != L'\r') {
            longest = std::max(longest, ++current);
        }
    }
    // A box taller than the screen would hide its OK button: the text is cut.
    lines = std::min<std::size_t>(lines, std::max<std::size_t>(maxLines, 1));
    const short textWidth = static_cast<short>(std::clamp<std::size_t>(longest * 4 + 8, 100, 480));
    const short textHeight = static_cast<short>(lines * 9 + 4);

    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | WS_VISIBLE;
    t.cx = static_cast<short>(textWidth + 20);
    t.cy = static_cast<short>(textHeight + 40);
    t.title = caption;
    t.hasFont = true;
    t.pointSize = 9;
    t.face = L"MS Shell Dlg";
    t.charset = 1;

    DialogItemTemplate label;
    label.style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
    label.x = 10;
    label.y = 10;
    label.cx = textWidth;
    label.cy = textHeight;
    label.id = kTextId;
    label.className = L"Static";
    label.title = text;
    t.items.push_back(label);

    DialogItemTemplate ok;
    ok.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
    ok.cx = 50;
    ok.cy = 14;
    ok.x = static_cast<short>((t.cx - ok.cx) / 2);
    ok.y = static_cast<short>(t.cy - ok.cy - 8);
    ok.id = IDOK;
    ok.className = L"Button";
    ok.title = L"OK";
    t.items.push_back(ok);
    return t;
}

} // namespace
} // namespace win32::detail

using namespace win32::detail;
using win32::InstalledScreen;
using win32::ScreenBackend;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    const std::wstring body = text ? text : L"";
    const std::wstring title = caption ? caption : L"Error";
    HWND ownerTop = nullptr;
    if (owner && IsWindow(owner)) {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        ownerTop = table.TopLevelOf(owner);
    }
    // Only an owner of this thread is disabled: a box raised by a worker
    // thread leaves the window of another thread usable.
    const bool disable = ownerTop &&
                         GetWindowThreadProcessId(ownerTop, nullptr) == CurrentThreadId() &&
                         IsWindowEnabled(ownerTop);
    if (disable)
        EnableWindow(ownerTop, FALSE);

    // Centred on the screen, and no taller than it (with room for a frame).
    SIZE screen{1024, 768};
    if (ScreenBackend* backend = InstalledScreen())
        screen = backend->ScreenSize();
    const SIZE base = DialogBaseUnits(DialogFont{L"MS Shell Dlg", 9, 0, false, 1});
    const long fitUnits = (std::max<long>(screen.cy - 48, 0) * 8) / std::max<LONG>(base.cy, 1);
    const std::size_t fitLines = static_cast<std::size_t>(std::max<long>(fitUnits - 44, 0) / 9);
    DialogTemplate t = MessageBoxTemplate(body, title, std::min<std::size_t>(fitLines, 60));
    const int widthPx = t.cx * base.cx / 4;
    const int heightPx = t.cy * base.cy / 8;
    t.x =
        static_cast<short>(std::max(0, (screen.cx - widthPx) / 2) * 4 / std::max<LONG>(base.cx, 1));
    t.y = static_cast<short>(std::max(0, (screen.cy - heightPx) / 2) * 8 /
                             std::max<LONG>(base.cy, 1));

    HWND box = CreateDialogFromTemplate(nullptr, t, ownerTop, MessageBoxDialogProc, 0);
    // The box goes with this call however it ends, a stop of the thread included.
    struct Cleanup {
        HWND box, owner;
        bool enable;
        // The owner is enabled first, so that it takes the activation back.
        ~Cleanup() {
            if (enable && IsWindow(owner))
                EnableWindow(owner, TRUE);
            if (box && IsWindow(box))
                DestroyWindow(box);
        }
    } cleanup{box, ownerTop, disable};
    if (!box)
        return 0;
    if (ScreenBackend* backend = InstalledScreen())
        backend->MessageBoxShown(box, body, title, type);
    RunDialogLoop(box);
    return IDOK;
}
