#include "Gdi.h"
#include "Internal.h"
#include "Picture.h"
#include "Runtime.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <gdiplus/Graphics.h>
#include <gdiplus/Image.h>
#include <gdiplus/Pen.h>
#include <mutex>
#include <optional>
#include <raster/Ops.h>
#include <raster/Pixel.h>

namespace Gdiplus {
namespace {

using win32::detail::DrawTarget;

// The bitmap a memory DC holds, or none for a DC that draws elsewhere (a
// window). Empty when the DC is unknown or a memory DC holds only its default
// bitmap.
std::optional<HBITMAP> SurfaceOf(HDC hdc) {
    using namespace win32::detail;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* dc = gdi.Find<DcObject>(hdc, GdiKind::Dc);
    if (!dc)
        return std::nullopt;
    if (dc->dcKind != DcKind::Memory)
        return HBITMAP{};
    auto* bitmap = gdi.Find<BitmapObject>(dc->state.bitmap, GdiKind::Bitmap);
    if (!bitmap || bitmap->stock)
        return std::nullopt;
    return dc->state.bitmap;
}

raster::PixelView ViewOf(const DrawTarget& target) {
    return raster::PixelView(target.Row(0), target.Width(), target.Height(), target.Stride());
}

raster::Rect ClipOf(const DrawTarget& target) {
    const RECT c = target.Clip();
    return {c.left, c.top, c.right, c.bottom};
}

// A logical coordinate in device pixels, when it fits.
bool ToDevice(long long logical, long long origin, int& out) {
    const long long device = logical + origin;
    if (device < INT_MIN || device > INT_MAX)
        return false;
    out = static_cast<int>(device);
    return true;
}

bool ToInt(REAL value, INT& out) {
    if (!std::isfinite(value) || value < static_cast<REAL>(INT_MIN) ||
        value >= static_cast<REAL>(INT_MAX))
        return false;
    out = static_cast<INT>(std::lround(value));
    return true;
}

// Nearest neighbour from pixel centres: destination pixel i of n samples
// source pixel floor((i + 0.5) * size / n), counted from the far end when
// mirrored.
long long Sample(long long i, long long n, long long size, bool mirror) {
    const long long s = ((2 * i + 1) * size) / (2 * n);
    return mirror ? size - 1 - s : s;
}

void BlendScaled(const DrawTarget& target, int left, int top, int width, int height,
                 const raster::Bitmap& source) {
    const bool mirrorX = width < 0;
    const bool mirrorY = height < 0;
    const long long w = std::llabs(static_cast<long long>(width));
    const long long h = std::llabs(static_cast<long long>(height));
    const long long x0 = mirrorX ? static_cast<long long>(left) - w : left;
    const long long y0 = mirrorY ? static_cast<long long>(top) - h : top;
    const raster::Rect area = raster::Intersect(ClipOf(target), ViewOf(target).Bounds());
    const long long l = std::max<long long>(x0, area.left);
    const long long r = std::min<long long>(x0 + w, area.right);
    const long long t = std::max<long long>(y0, area.top);
    const long long b = std::min<long long>(y0 + h, area.bottom);
    for (long long y = t; y < b; ++y) {
        const auto sy = static_cast<int>(Sample(y - y0, h, source.Height(), mirrorY));
        std::uint32_t* row = target.Row(static_cast<int>(y));
        for (long long x = l; x < r; ++x) {
            const auto sx = static_cast<int>(Sample(x - x0, w, source.Width(), mirrorX));
            row[x] = raster::Over(row[x], source.At(sx, sy));
        }
    }
}

} // namespace

Graphics::Graphics(HDC hdc) : m_hdc(hdc) {
    detail::ObjectCreated();
    if (SetStatus(detail::RunningStatus()) != Ok)
        return;
    const auto surface = SurfaceOf(hdc);
    if (!surface) {
        SetStatus(InvalidParameter);
        return;
    }
    m_bitmap = *surface;
    m_valid = true;
}

Graphics::~Graphics() {
    detail::ObjectDestroyed();
}

Status Graphics::SetStatus(Status status) const {
    if (status != Ok)
        m_lastStatus = status;
    return status;
}

Status Graphics::GetLastStatus() const {
    const Status last = m_lastStatus;
    m_lastStatus = Ok;
    return last;
}

Status Graphics::Usable() const {
    if (!detail::Running())
        return GdiplusNotInitialized;
    return m_valid ? Ok : InvalidParameter;
}

Status Graphics::SetSmoothingMode(SmoothingMode mode) {
    if (const Status usable = Usable(); usable != Ok)
        return SetStatus(usable);
    if (mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias)
        return SetStatus(InvalidParameter);
    m_smoothing = mode;
    return Ok;
}

namespace {

// The DC's pixels, provided it still holds what it held when the Graphics
// was made.
std::optional<DrawTarget> Acquire(HDC hdc, HBITMAP bitmap) {
    const auto surface = SurfaceOf(hdc);
    if (!surface || *surface != bitmap)
        return std::nullopt;
    DrawTarget target = win32::detail::AcquireTarget(hdc);
    if (!target.Valid())
        return std::nullopt;
    return target;
}

// A window's surface has changed: the screen is told once its lock is let go.
void Finish(std::optional<DrawTarget>& target) {
    const HWND window = target->Window();
    target.reset();
    if (window)
        win32::detail::NotifyContentChanged(window);
}

} // namespace

Status Graphics::DrawImage(Image* image, INT x, INT y) {
    if (const Status usable = Usable(); usable != Ok)
        return SetStatus(usable);
    if (!image || !image->m_picture)
        return SetStatus(InvalidParameter);
    const raster::Bitmap& pixels = image->m_picture->pixels;
    return DrawImage(image, x, y, pixels.Width(), pixels.Height());
}

Status Graphics::DrawImage(Image* image, INT x, INT y, INT width, INT height) {
    if (const Status usable = Usable(); usable != Ok)
        return SetStatus(usable);
    if (!image || !image->m_picture)
        return SetStatus(InvalidParameter);
    if (width == 0 || height == 0)
        return Ok;
    auto target = Acquire(m_hdc, m_bitmap);
    if (!target)
        return SetStatus(Win32Error);
    raster::Point at;
    if (!ToDevice(x, target->Origin().x, at.x) || !ToDevice(y, target->Origin().y, at.y)) {
        Finish(target);
        return SetStatus(ValueOverflow);
    }
    const raster::Bitmap& source = image->m_picture->pixels;
    if (width == source.Width() && height == source.Height())
        raster::BlendOver(ViewOf(*target), ClipOf(*target), at, source.View(),
                          source.View().Bounds(), image->m_picture->runs);
    else
        BlendScaled(*target, at.x, at.y, width, height, source);
    Finish(target);
    return Ok;
}

Status Graphics::DrawImage(Image* image, REAL x, REAL y) {
    INT ix = 0;
    INT iy = 0;
    if (!ToInt(x, ix) || !ToInt(y, iy))
        return SetStatus(Usable() != Ok ? Usable() : InvalidParameter);
    return DrawImage(image, ix, iy);
}

Status Graphics::DrawImage(Image* image, REAL x, REAL y, REAL width, REAL height) {
    INT ix = 0;
    INT iy = 0;
    INT iw = 0;
    INT ih = 0;
    if (!ToInt(x, ix) || !ToInt(y, iy) || !ToInt(width, iw) || !ToInt(height, ih))
        return SetStatus(Usable() != Ok ? Usable() : InvalidParameter);
    return DrawImage(image, ix, iy, iw, ih);
}

Status Graphics::DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2) {
    if (const Status usable = Usable(); usable != Ok)
        return SetStatus(usable);
    if (!pen || !pen->m_valid)
        return SetStatus(InvalidParameter);
    if (pen->m_width > 1.5f)
        return SetStatus(NotImplemented);
    auto target = Acquire(m_hdc, m_bitmap);
    if (!target)
        return SetStatus(Win32Error);
    const POINT origin = target->Origin();
    raster::Point from;
    raster::Point to;
    if (!ToDevice(x1, origin.x, from.x) || !ToDevice(y1, origin.y, from.y) ||
        !ToDevice(x2, origin.x, to.x) || !ToDevice(y2, origin.y, to.y)) {
        Finish(target);
        return SetStatus(ValueOverflow);
    }
    raster::DrawLine(ViewOf(*target), ClipOf(*target), from, to,
                     raster::Premultiplied(pen->m_color.GetValue()));
    Finish(target);
    return Ok;
}

Status Graphics::DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2) {
    INT a = 0;
    INT b = 0;
    INT c = 0;
    INT d = 0;
    if (!ToInt(x1, a) || !ToInt(y1, b) || !ToInt(x2, c) || !ToInt(y2, d))
        return SetStatus(Usable() != Ok ? Usable() : InvalidParameter);
    return DrawLine(pen, a, b, c, d);
}

} // namespace Gdiplus
