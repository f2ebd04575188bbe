#include "ControlPaint.h"
#include "Internal.h"
#include "WindowTable.h"

#include <win32/Gdi.h>

namespace win32::detail {
namespace {

struct ButtonState {
    bool pressed = false;  // drawn pushed in
    bool tracking = false; // the left button went down on it
};

struct EditState {
    std::size_t caret = 0; // position in the text
};

template <class T>
T& StateOf(HWND hwnd) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    static thread_local T none;
    if (!w)
        return none = T{};
    if (!w->classData)
        w->classData = std::make_shared<T>();
    return *static_cast<T*>(w->classData.get());
}

DWORD StyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
}

void Paint(HWND hwnd, void (*paint)(HWND, HDC)) {
    PAINTSTRUCT ps{};
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc)
        paint(hwnd, hdc);
    EndPaint(hwnd, &ps);
}

bool Inside(HWND hwnd, LPARAM lParam) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

// Whether the window's text is `text` (null counts as empty).
bool ShowsText(HWND hwnd, LPCWSTR text) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    const Window* w = table.Find(hwnd);
    return w && w->text == (text ? text : L"");
}

void PaintButtonNow(HWND hwnd, HDC hdc) {
    const ButtonState& state = StateOf<ButtonState>(hwnd);
    PaintButton(hwnd, hdc, state.pressed, GetFocus() == hwnd);
}

} // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        // Without SS_NOTIFY a static control lets presses reach its parent.
        if (!(StyleOf(hwnd) & SS_NOTIFY))
            return HTTRANSPARENT;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_SETTEXT: {
        // The text it already shows paints the very same pixels: no repaint.
        const bool same = ShowsText(hwnd, reinterpret_cast<LPCWSTR>(lParam));
        const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
        if (!same)
            InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_PAINT:
        Paint(hwnd, PaintStatic);
        return 0;
    case WM_PRINTCLIENT:
        PaintStatic(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return TRUE; // the paint fills the background with the parent's brush
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN: {
        ButtonState& state = StateOf<ButtonState>(hwnd);
        state.tracking = true;
        state.pressed = true;
        SetCapture(hwnd);
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case WM_MOUSEMOVE: {
        ButtonState& state = StateOf<ButtonState>(hwnd);
        if (state.tracking) {
            const bool inside = Inside(hwnd, lParam);
            if (inside != state.pressed) {
                state.pressed = inside;
                InvalidateRect(hwnd, nullptr, TRUE);
            }
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        ButtonState& state = StateOf<ButtonState>(hwnd);
        const bool click = state.tracking && Inside(hwnd, lParam);
        state.tracking = false;
        state.pressed = false;
        InvalidateRect(hwnd, nullptr, TRUE);
        if (GetCapture() == hwnd)
            ReleaseCapture();
        if (click)
            if (HWND parent = GetParent(hwnd))
                SendMessageW(parent, WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_CLICKED),
                             reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    case WM_CAPTURECHANGED: {
        ButtonState& state = StateOf<ButtonState>(hwnd);
        if (state.tracking || state.pressed) {
            state.tracking = false;
            state.pressed = false;
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE)
            SendMessageW(hwnd, BM_CLICK, 0, 0);
        return 0;
    case BM_CLICK:
        if (HWND parent = GetParent(hwnd))
            SendMessageW(parent, WM_COMMAND,
                         MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
        return 0;
    case BM_GETSTATE:
        return (StateOf<ButtonState>(hwnd).pressed ? BST_PUSHED : 0) |
               (GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE:
        StateOf<ButtonState>(hwnd).pressed = wParam != 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_SETSTYLE:
        SetWindowLongW(hwnd, GWL_STYLE,
                       static_cast<LONG_PTR>((StyleOf(hwnd) & ~0xFFFFu) | (wParam & 0xFFFF)));
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_PAINT:
        Paint(hwnd, PaintButtonNow);
        return 0;
    case WM_PRINTCLIENT:
        PaintButtonNow(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_GETDLGCODE: {
        const DWORD type = StyleOf(hwnd) & BS_TYPEMASK;
        return DLGC_BUTTON | (type == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    }
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETFOCUS: {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        CreateCaret(hwnd, nullptr, 1, rc.bottom > 4 ? rc.bottom - 4 : rc.bottom);
        SetCaretPos(2, 2);
        ShowCaret(hwnd);
        return 0;
    }
    case WM_KILLFOCUS:
        HideCaret(hwnd);
        DestroyCaret();
        return 0;
    case WM_CHAR: {
        wchar_t text[1024]{};
        GetWindowTextW(hwnd, text, 1024);
        std::wstring s = text;
        EditState& state = StateOf<EditState>(hwnd);
        state.caret = std::min(state.caret, s.size());
        if (wParam == 8) {
            if (state.caret > 0)
                s.erase(--state.caret, 1);
        } else if (wParam >= 0x20) {
            s.insert(state.caret++, 1, static_cast<wchar_t>(wParam));
        }
        DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()));
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        StateOf<EditState>(hwnd).caret = text ? std::wcslen(text) : 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        return 0;
    case WM_PAINT:
        Paint(hwnd, PaintEdit);
        return 0;
    case WM_PRINTCLIENT:
        PaintEdit(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_HASSETSEL;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace win32::detail
