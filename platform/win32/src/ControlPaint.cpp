// The built-in controls' looks. Each asks its parent for its colours first
// (the parent sets the DC's text colour and returns the background brush),
// then draws with the control's font, cut to the control's rectangle. The
// DC's state is restored afterwards: WM_PRINTCLIENT hands us the caller's DC.

#include "ControlPaint.h"

#include <string>
#include <win32/Gdi.h>

namespace win32::detail {
namespace {

bool IsBrush(HBRUSH brush) {
    const auto value = reinterpret_cast<UINT_PTR>(brush);
    return (value > 0 && value <= 32) || GetObjectType(brush) == OBJ_BRUSH;
}

// The brush the parent hands out for `message`; a control without a parent
// gets the default answer, which also sets the DC's colours.
HBRUSH ColourBrush(HWND hwnd, HDC hdc, UINT message) {
    const auto wParam = reinterpret_cast<WPARAM>(hdc);
    const auto lParam = reinterpret_cast<LPARAM>(hwnd);
    HWND parent = GetParent(hwnd);
    auto brush = reinterpret_cast<HBRUSH>(parent ? SendMessageW(parent, message, wParam, lParam)
                                                 : DefWindowProcW(hwnd, message, wParam, lParam));
    return IsBrush(brush) ? brush : nullptr;
}

std::wstring TextOf(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

HFONT FontOfControl(HWND hwnd) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Saves the DC, cuts it to the control and selects the control's font.
class ControlDc {
public:
    ControlDc(HWND hwnd, HDC hdc) : m_hdc(hdc), m_saved(SaveDC(hdc)) {
        GetClientRect(hwnd, &m_client);
        IntersectClipRect(hdc, 0, 0, m_client.right, m_client.bottom);
        SelectObject(hdc, FontOfControl(hwnd));
        SetBkMode(hdc, TRANSPARENT);
    }
    ~ControlDc() {
        if (m_saved)
            RestoreDC(m_hdc, m_saved);
    }
    ControlDc(const ControlDc&) = delete;
    ControlDc& operator=(const ControlDc&) = delete;
    const RECT& Client() const { return m_client; }

private:
    HDC m_hdc;
    int m_saved;
    RECT m_client{};
};

RECT Inset(RECT r, int by) {
    return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void DrawCaption(HWND hwnd, HDC hdc, RECT area, UINT format) {
    const std::wstring text = TextOf(hwnd);
    if (!text.empty())
        DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &area, format);
}

} // namespace

void PaintStatic(HWND hwnd, HDC hdc) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    ControlDc dc(hwnd, hdc);
    HBRUSH brush = ColourBrush(hwnd, hdc, WM_CTLCOLORSTATIC);
    FillRect(hdc, &dc.Client(), brush ? brush : GetSysColorBrush(COLOR_3DFACE));

    UINT format = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    switch (style & SS_TYPEMASK) {
    case SS_LEFT:
        format |= DT_LEFT | DT_WORDBREAK;
        break;
    case SS_CENTER:
        format |= DT_CENTER | DT_WORDBREAK;
        break;
    case SS_RIGHT:
        format |= DT_RIGHT | DT_WORDBREAK;
        break;
    case SS_LEFTNOWORDWRAP:
        format |= DT_LEFT;
        break;
    default:
        return; // pictures, frames and the like show no text
    }
    if (!IsWindowEnabled(hwnd))
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    DrawCaption(hwnd, hdc, dc.Client(), format);
}

void PaintButton(HWND hwnd, HDC hdc, bool pressed, bool focused) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    ControlDc dc(hwnd, hdc);
    RECT face = dc.Client();
    if (HBRUSH brush = ColourBrush(hwnd, hdc, WM_CTLCOLORBTN))
        FillRect(hdc, &face, brush);
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        FrameRect(hdc, &face, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        face = Inset(face, 1);
    }
    FillRect(hdc, &face, GetSysColorBrush(COLOR_BTNFACE));
    if (style & BS_FLAT) {
        FrameRect(hdc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
        face = Inset(face, 1);
    } else {
        DrawEdge(hdc, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        face = Inset(face, 2);
    }
    if (focused) {
        // A dotted rectangle just inside the edge, every other pixel.
        const RECT f = Inset(face, 1);
        const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
        for (LONG x = f.left; x < f.right; x += 2) {
            SetPixel(hdc, x, f.top, ink);
            SetPixel(hdc, x, f.bottom - 1, ink);
        }
        for (LONG y = f.top; y < f.bottom; y += 2) {
            SetPixel(hdc, f.left, y, ink);
            SetPixel(hdc, f.right - 1, y, ink);
        }
    }
    if (pressed)
        face = RECT{face.left + 1, face.top + 1, face.right + 1, face.bottom + 1};
    SetTextColor(hdc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawCaption(hwnd, hdc, face, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintEdit(HWND hwnd, HDC hdc) {
    ControlDc dc(hwnd, hdc);
    RECT client = dc.Client();
    HBRUSH brush = ColourBrush(hwnd, hdc, WM_CTLCOLOREDIT);
    FillRect(hdc, &client, brush ? brush : GetSysColorBrush(COLOR_WINDOW));
    DrawEdge(hdc, &client, BDR_SUNKENOUTER, BF_RECT);
    DrawCaption(hwnd, hdc, Inset(client, 2), DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
}

void PaintMessageBoxBackground(HWND hwnd, HDC hdc) {
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, GetSysColorBrush(COLOR_3DFACE));
}

} // namespace win32::detail
