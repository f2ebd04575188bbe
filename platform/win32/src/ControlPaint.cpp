// The controls' looks before text is drawn: each fills its background with
// the brush its parent hands out for it, which is what the dialog relies on.

#include "ControlPaint.h"

#include <win32/Gdi.h>

namespace win32::detail {
namespace {

void FillWithParentBrush(HWND hwnd, HDC hdc, UINT message) {
    HWND parent = GetParent(hwnd);
    auto brush = reinterpret_cast<HBRUSH>(parent ? SendMessageW(parent, message,
                                                                reinterpret_cast<WPARAM>(hdc),
                                                                reinterpret_cast<LPARAM>(hwnd))
                                                 : 0);
    if (!brush)
        brush = GetSysColorBrush(COLOR_3DFACE);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, brush);
}

} // namespace

void PaintStatic(HWND hwnd, HDC hdc) {
    FillWithParentBrush(hwnd, hdc, WM_CTLCOLORSTATIC);
}

void PaintButton(HWND hwnd, HDC hdc, bool, bool) {
    FillWithParentBrush(hwnd, hdc, WM_CTLCOLORBTN);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    DrawEdge(hdc, &rc, EDGE_RAISED, BF_RECT);
}

void PaintEdit(HWND hwnd, HDC hdc) {
    FillWithParentBrush(hwnd, hdc, WM_CTLCOLOREDIT);
}

void PaintMessageBoxBackground(HWND, HDC) {}

} // namespace win32::detail
