#include "Canvas.h"

#include "Internal.h"

#include <algorithm>
#include <raster/Ops.h>

namespace win32::detail {
namespace {

// Far beyond any bitmap's side, yet room to add a width without overflow.
constexpr long long kFar = 1LL << 30;

int Clamp(long long v) {
    return static_cast<int>(std::clamp(v, -kFar, kFar));
}

raster::Rect FromRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace

raster::Pixel OpaquePixel(COLORREF colour) {
    return raster::Rgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

Canvas::Canvas(HDC hdc) : m_target(AcquireTarget(hdc)) {
    if (m_target.Valid())
        m_view = raster::PixelView(m_target.Row(0), m_target.Width(), m_target.Height(),
                                   m_target.Stride());
}

Canvas::~Canvas() {
    HWND window = m_drawn ? m_target.Window() : nullptr;
    { DrawTarget release = std::move(m_target); }
    if (window)
        NotifyContentChanged(window);
}

raster::Point Canvas::DevicePoint(long long x, long long y) const {
    return {Clamp(x + m_target.Origin().x), Clamp(y + m_target.Origin().y)};
}

raster::Rect Canvas::Device(const RECT& r) const {
    const raster::Point a = DevicePoint(r.left, r.top);
    const raster::Point b = DevicePoint(r.right, r.bottom);
    return {a.x, a.y, b.x, b.y};
}

raster::Rect Canvas::ClipWith(const RECT* limit) const {
    const raster::Rect clip = FromRect(m_target.Clip());
    return limit ? raster::Intersect(clip, Device(*limit)) : clip;
}

void Canvas::Fill(const RECT& area, COLORREF colour, const RECT* limit) {
    if (!Valid())
        return;
    raster::Fill(m_view, ClipWith(limit), Device(area), OpaquePixel(colour));
    m_drawn = true;
}

void Canvas::Text(const raster::Font& font, POINT topLeft, const raster::LayoutLine& line,
                  COLORREF colour, const RECT* limit) {
    if (!Valid())
        return;
    font.Draw(m_view, ClipWith(limit), DevicePoint(topLeft.x, topLeft.y), line,
              OpaquePixel(colour));
    m_drawn = true;
}

void Canvas::Line(POINT from, POINT to, COLORREF colour) {
    if (!Valid())
        return;
    const raster::Point a = DevicePoint(from.x, from.y);
    const raster::Point b = DevicePoint(to.x, to.y);
    if (a == b)
        return;
    const raster::Rect clip = ClipWith(nullptr);
    // The end pixel is the line's only one in its column (or row): keep what
    // was there instead of walking the line twice.
    const bool endInside = clip.Contains(b.x, b.y) && m_view.Bounds().Contains(b.x, b.y);
    const raster::Pixel kept = endInside ? m_view.At(b.x, b.y) : 0;
    raster::DrawLine(m_view, clip, a, b, OpaquePixel(colour));
    if (endInside)
        m_view.At(b.x, b.y) = kept;
    m_drawn = true;
}

} // namespace win32::detail
