#include "Input.h"
#include "Internal.h"
#include "Threads.h"
#include "WindowTable.h"

#include <cstring>
#include <win32/Gdi.h>

namespace win32::detail {

void RunMoveLoop(HWND hwnd) {
    RECT start{};
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return;
        start = w->rect;
    }
    // The press that started the drag is the message being handled.
    const DWORD pos = GetMessagePos();
    const POINT anchor{GET_X_LPARAM(static_cast<LPARAM>(pos)),
                       GET_Y_LPARAM(static_cast<LPARAM>(pos))};
    SetCapture(hwnd);
    SendMessageW(hwnd, WM_ENTERSIZEMOVE, 0, 0);
    for (;;) {
        if (!IsWindow(hwnd) || GetCapture() != hwnd)
            break;
        MSG msg{};
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_MOUSEMOVE) {
            // Only the latest position matters.
            MSG next{};
            if (PeekMessageW(&next, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE))
                continue;
            SetWindowPos(hwnd, nullptr, start.left + (msg.pt.x - anchor.x),
                         start.top + (msg.pt.y - anchor.y), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            continue;
        }
        if (msg.message == WM_LBUTTONUP) {
            SetWindowPos(hwnd, nullptr, start.left + (msg.pt.x - anchor.x),
                         start.top + (msg.pt.y - anchor.y), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            SetWindowPos(hwnd, nullptr, start.left, start.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN ||
            msg.message == WM_KEYDOWN)
            continue; // input other than the drag's own is dropped while dragging
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (IsWindow(hwnd)) {
        if (GetCapture() == hwnd)
            ReleaseCapture();
        SendMessageW(hwnd, WM_EXITSIZEMOVE, 0, 0);
    }
}

namespace {

LRESULT CopyText(const std::wstring& text, WPARAM size, LPARAM buffer) {
    auto* out = reinterpret_cast<wchar_t*>(buffer);
    if (!out || size == 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    std::wmemcpy(out, text.data(), n);
    out[n] = 0;
    return static_cast<LRESULT>(n);
}

void PrintWindow(HWND hwnd, HDC hdc, LPARAM flags) {
    if ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(hwnd))
        return;
    if (flags & PRF_ERASEBKGND)
        SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    if (flags & PRF_CLIENT)
        SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), flags);
    if (flags & PRF_CHILDREN) {
        for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (!IsWindowVisible(c))
                continue;
            RECT r{};
            GetWindowRect(c, &r);
            POINT origin{r.left, r.top};
            ScreenToClient(hwnd, &origin);
            const int saved = SaveDC(hdc);
            OffsetViewportOrgEx(hdc, origin.x, origin.y, nullptr);
            IntersectClipRect(hdc, 0, 0, r.right - r.left, r.bottom - r.top);
            SendMessageW(c, WM_PRINT, reinterpret_cast<WPARAM>(hdc), flags | PRF_CHECKVISIBLE);
            RestoreDC(hdc, saved);
        }
    }
    // Owned windows are top-level windows of their own: the screen shows
    // them, so PRF_OWNED has nothing to add to this window's picture.
}

} // namespace
} // namespace win32::detail

using namespace win32::detail;

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& table = Windows();
    switch (msg) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SETTEXT: {
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        bool topLevel = false;
        {
            std::lock_guard lock(table.mutex);
            Window* w = table.Find(hwnd);
            if (!w)
                return FALSE;
            w->text = text ? text : L"";
            topLevel = !w->parent;
        }
        if (topLevel)
            NotifyWindowChanged(hwnd);
        return TRUE;
    }
    case WM_GETTEXT: {
        std::wstring text;
        {
            std::lock_guard lock(table.mutex);
            Window* w = table.Find(hwnd);
            if (!w)
                return 0;
            text = w->text;
        }
        return CopyText(text, wParam, lParam);
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_SETICON: {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return 0;
        HICON& slot = wParam == ICON_BIG ? w->iconBig : w->iconSmall;
        HICON old = slot;
        slot = reinterpret_cast<HICON>(lParam);
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return 0;
        return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w->iconBig : w->iconSmall);
    }
    case WM_NCHITTEST: {
        RECT r{};
        GetWindowRect(hwnd, &r);
        const int x = GET_X_LPARAM(lParam);
        const int y = GET_Y_LPARAM(lParam);
        return (x >= r.left && x < r.right && y >= r.top && y < r.bottom) ? HTCLIENT : HTNOWHERE;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = nullptr;
        {
            std::lock_guard lock(table.mutex);
            Window* w = table.Find(hwnd);
            if (w)
                brush = w->cls->background;
        }
        if (!brush)
            return 0;
        // A class brush may be a system colour index plus one.
        if (reinterpret_cast<UINT_PTR>(brush) <= 31)
            brush = GetSysColorBrush(static_cast<int>(reinterpret_cast<UINT_PTR>(brush)) - 1);
        RECT rc{};
        GetClientRect(hwnd, &rc);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, brush);
        return 1;
    }
    case WM_PRINT:
        PrintWindow(hwnd, reinterpret_cast<HDC>(wParam), lParam);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MOVE:
            RunMoveLoop(hwnd);
            return 0;
        case SC_CLOSE:
            SendMessageW(hwnd, WM_CLOSE, 0, 0);
            return 0;
        default:
            return 0;
        }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            HWND focus = GetFocus();
            if (!focus || (focus != hwnd && !IsChild(hwnd, focus)))
                SetFocus(hwnd);
        }
        return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR: {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(hdc, GetSysColor(COLOR_3DFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE));
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(hdc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_SETFONT: {
        std::lock_guard lock(table.mutex);
        if (Window* w = table.Find(hwnd))
            w->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    }
    case WM_GETFONT: {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        return w ? reinterpret_cast<LRESULT>(w->font) : 0;
    }
    default:
        return 0;
    }
}
