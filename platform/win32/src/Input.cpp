#include "Input.h"

#include "Internal.h"
#include "Threads.h"
#include "WindowTable.h"

#include <algorithm>
#include <vector>
#include <win32/Kernel.h>

namespace win32::detail {

InputState& Input() {
    static InputState* state = new InputState;
    return *state;
}

namespace {

HWND FocusTarget();

// The deepest visible, enabled child under a client point of `parent`,
// passing over the windows in `passed`.
HWND ChildAt(Window& parent, POINT clientPoint, WindowTable& table,
             const std::vector<HWND>& passed = {}) {
    for (HWND child : parent.children) {
        Window* c = table.Find(child);
        if (!c || !(c->style & WS_VISIBLE) || c->destroying)
            continue;
        if (std::find(passed.begin(), passed.end(), child) != passed.end())
            continue;
        const RECT& r = c->rect;
        if (clientPoint.x >= r.left && clientPoint.x < r.right && clientPoint.y >= r.top &&
            clientPoint.y < r.bottom) {
            POINT inner{clientPoint.x - r.left, clientPoint.y - r.top};
            HWND deeper = ChildAt(*c, inner, table, passed);
            return deeper ? deeper : child;
        }
    }
    return nullptr;
}

bool LetsMouseThrough(const Window& w) {
    return (w.exStyle & WS_EX_LAYERED) && (w.exStyle & WS_EX_TRANSPARENT);
}

} // namespace

bool TranslateRawInput(MSG& msg) {
    auto& table = Windows();
    const POINT pt = msg.pt;
    if (msg.message == kRawKey || msg.message == kRawChar) {
        HWND target = FocusTarget();
        if (!target)
            return false;
        const bool down = msg.message == kRawChar || msg.lParam != 0;
        msg.message = msg.message == kRawChar ? WM_CHAR : (down ? WM_KEYDOWN : WM_KEYUP);
        msg.hwnd = target;
        msg.lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
        return true;
    }

    const auto action = static_cast<MouseAction>(msg.wParam & 0xFF);
    const auto button = static_cast<MouseButton>((msg.wParam >> 8) & 0xFF);
    HWND capture;
    bool leftDown;
    {
        std::lock_guard lock(Input().mutex);
        capture = Input().capture;
        leftDown = Input().leftDown;
    }
    HWND target = nullptr;
    HWND topLevel = nullptr;
    if (capture && IsWindow(capture) &&
        GetWindowThreadProcessId(capture, nullptr) == CurrentThreadId()) {
        target = capture;
        topLevel = table.TopLevelOf(capture);
    } else {
        topLevel = msg.hwnd;
        {
            std::lock_guard lock(table.mutex);
            Window* top = table.Find(topLevel);
            if (!top)
                return false;
            const POINT client{pt.x - top->rect.left, pt.y - top->rect.top};
            target = ChildAt(*top, client, table);
            if (!target)
                target = topLevel;
        }
        // A window that answers HTTRANSPARENT hands the press to what lies
        // beneath it: a sibling under the point, else its parent (a static
        // control without SS_NOTIFY lets presses reach the button or the
        // dialog under it).
        std::vector<HWND> passed;
        while (target != topLevel) {
            const LRESULT hit =
                SendMessageW(target, WM_NCHITTEST, 0,
                             MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
            if (hit != HTTRANSPARENT)
                break;
            passed.push_back(target);
            std::lock_guard lock(table.mutex);
            Window* top = table.Find(topLevel);
            if (!top)
                return false;
            const POINT client{pt.x - top->rect.left, pt.y - top->rect.top};
            target = ChildAt(*top, client, table, passed);
            if (!target)
                target = topLevel;
        }
    }
    if (!IsWindowEnabled(target) || !IsWindowEnabled(topLevel))
        return false;

    if (action == MouseAction::Press) {
        bool activate = false;
        {
            std::lock_guard lock(table.mutex);
            Window* top = table.Find(topLevel);
            activate = top && !(top->exStyle & WS_EX_NOACTIVATE);
        }
        HWND foreground;
        {
            std::lock_guard lock(Input().mutex);
            foreground = Input().foreground;
        }
        if (activate && foreground != topLevel)
            ActivateWindow(topLevel, WA_CLICKACTIVE);
        if (!IsWindow(target))
            return false;
    }

    POINT client = pt;
    ScreenToClient(target, &client);
    switch (action) {
    case MouseAction::Move:
        msg.message = WM_MOUSEMOVE;
        break;
    case MouseAction::Press:
        msg.message = button == MouseButton::Right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
        break;
    case MouseAction::Release:
        msg.message = button == MouseButton::Right ? WM_RBUTTONUP : WM_LBUTTONUP;
        break;
    }
    msg.hwnd = target;
    msg.wParam = leftDown ? MK_LBUTTON : 0;
    msg.lParam = MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y));
    return true;
}

namespace {

// Keyboard input goes to the focus window of the thread that owns the
// foreground window, or to the foreground window itself.
HWND FocusTarget() {
    HWND foreground;
    {
        std::lock_guard lock(Input().mutex);
        foreground = Input().foreground;
    }
    HWND focus = GetFocus();
    if (focus && IsWindow(focus))
        return focus;
    if (foreground && IsWindow(foreground) &&
        GetWindowThreadProcessId(foreground, nullptr) == CurrentThreadId())
        return foreground;
    return nullptr;
}

void PostRaw(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, POINT pt) {
    DWORD owner = GetWindowThreadProcessId(hwnd, nullptr);
    auto queue = QueueOf(owner);
    if (!queue)
        return;
    {
        std::lock_guard lock(queue->mutex);
        if (queue->dead)
            return;
        queue->posted.push_back(MSG{hwnd, message, wParam, lParam, GetTickCount(), pt});
    }
    queue->Wake();
}

} // namespace

} // namespace win32::detail

namespace win32 {

using namespace detail;

HWND TopLevelAt(POINT point) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    const auto order = table.BottomUp();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        Window* w = table.Find(*it);
        if (!w || w->destroying || !(w->style & WS_VISIBLE) || LetsMouseThrough(*w))
            continue;
        if ((w->exStyle & WS_EX_LAYERED) && !w->layeredAttributes && !w->layeredPicture)
            continue;
        const RECT& r = w->rect;
        if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom)
            return *it;
    }
    return nullptr;
}

void InjectMouse(int x, int y, MouseAction action, MouseButton button) {
    const POINT pt{x, y};
    HWND target;
    {
        std::lock_guard lock(Input().mutex);
        Input().cursor = pt;
        if (button == MouseButton::Left && action != MouseAction::Move)
            Input().leftDown = action == MouseAction::Press;
        if (button == MouseButton::Right && action != MouseAction::Move)
            Input().rightDown = action == MouseAction::Press;
        target = Input().capture;
    }
    if (!target || !IsWindow(target))
        target = TopLevelAt(pt);
    if (!target)
        return;
    const WPARAM packed = static_cast<WPARAM>(action) | (static_cast<WPARAM>(button) << 8);
    PostRaw(target, kRawMouse, packed, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)), pt);
}

void InjectKey(UINT virtualKey, bool down) {
    HWND foreground;
    POINT cursor;
    {
        std::lock_guard lock(Input().mutex);
        foreground = Input().foreground;
        cursor = Input().cursor;
    }
    if (!foreground || !IsWindow(foreground))
        return;
    PostRaw(foreground, kRawKey, virtualKey, down ? 1 : 0, cursor);
}

void InjectChar(wchar_t ch) {
    HWND foreground;
    POINT cursor;
    {
        std::lock_guard lock(Input().mutex);
        foreground = Input().foreground;
        cursor = Input().cursor;
    }
    if (!foreground || !IsWindow(foreground))
        return;
    PostRaw(foreground, kRawChar, static_cast<WPARAM>(ch), 0, cursor);
}

} // namespace win32

BOOL GetCursorPos(LPPOINT point) {
    if (!point)
        return FALSE;
    std::lock_guard lock(win32::detail::Input().mutex);
    *point = win32::detail::Input().cursor;
    return TRUE;
}

HWND WindowFromPoint(POINT point) {
    using namespace win32::detail;
    HWND top = win32::TopLevelAt(point);
    if (!top)
        return nullptr;
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(top);
    if (!w)
        return nullptr;
    HWND child = ChildAt(*w, POINT{point.x - w->rect.left, point.y - w->rect.top}, table);
    return child ? child : top;
}
