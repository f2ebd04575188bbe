#pragma once

// How the built-in controls draw themselves into a DC whose origin is the
// control's top-left corner. Used for WM_PAINT and WM_PRINTCLIENT alike.

#include <win32/User.h>

namespace win32::detail {

void PaintStatic(HWND hwnd, HDC hdc);
void PaintButton(HWND hwnd, HDC hdc, bool pressed, bool focused);
void PaintEdit(HWND hwnd, HDC hdc);
void PaintMessageBoxBackground(HWND hwnd, HDC hdc);

} // namespace win32::detail
