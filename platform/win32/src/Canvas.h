#pragma once

// A DC's pixels for one drawing call, in the DC's logical coordinates: every
// operation is cut to the DC's clip (and to an extra limit where given), and
// coordinates far outside any bitmap are clamped rather than overflowed.
// While a Canvas lives a window DC holds the window table's lock: gather what
// the drawing needs (state, fonts) first, and send no message meanwhile.

#include "Gdi.h"

#include <raster/Font.h>
#include <raster/PixelView.h>
#include <raster/TextLayout.h>

namespace win32::detail {

class Canvas {
public:
    explicit Canvas(HDC hdc);
    ~Canvas(); // tells the screen when a window's pixels changed
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Valid() const { return m_target.Valid(); }

    // The device rectangle of a logical one; `limit` (logical) cuts it too.
    raster::Rect Device(const RECT& logical) const;
    raster::Rect ClipWith(const RECT* limit) const;

    void Fill(const RECT& area, COLORREF colour, const RECT* limit = nullptr);
    // A line of text with the top of its cell at `topLeft`.
    void Text(const raster::Font& font, POINT topLeft, const raster::LayoutLine& line,
              COLORREF colour, const RECT* limit = nullptr);
    // A one-pixel line from `from` up to, not including, `to`.
    void Line(POINT from, POINT to, COLORREF colour);

private:
    raster::Point DevicePoint(long long x, long long y) const;

    DrawTarget m_target;
    raster::PixelView m_view;
    bool m_drawn = false;
};

raster::Pixel OpaquePixel(COLORREF colour);

} // namespace win32::detail
