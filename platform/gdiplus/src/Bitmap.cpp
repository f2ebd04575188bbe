#include "Gdi.h"
#include "Picture.h"
#include "Runtime.h"

#include <gdiplus/Bitmap.h>
#include <mutex>
#include <new>
#include <raster/Ops.h>

namespace Gdiplus {
namespace {

Status CopyOpaque(HBITMAP handle, std::unique_ptr<detail::Picture>& out) {
    using namespace win32::detail;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* source = gdi.Find<BitmapObject>(handle, GdiKind::Bitmap);
    if (!source || !source->bits || source->width <= 0 || source->height <= 0)
        return InvalidParameter;
    auto copy = raster::Bitmap::CreateUninitialized(source->width, source->height);
    if (!copy)
        return OutOfMemory;
    const raster::ConstPixelView from(source->Row(0), source->width, source->height,
                                      source->bottomUp ? -source->width : source->width);
    raster::CopyOpaque(copy->View(), copy->View().Bounds(), {0, 0}, from, from.Bounds());
    // Opaque by construction: drawing it is a copy.
    auto runs = raster::AlphaRuns::AllOpaque(copy->Width(), copy->Height());
    out = std::make_unique<detail::Picture>(detail::Picture{std::move(*copy), std::move(runs)});
    return Ok;
}

} // namespace

Bitmap::Bitmap(HBITMAP bitmap, HPALETTE) {
    if (SetStatus(detail::RunningStatus()) != Ok)
        return;
    std::unique_ptr<detail::Picture> picture;
    try {
        if (SetStatus(CopyOpaque(bitmap, picture)) == Ok)
            SetPicture(std::move(picture));
    } catch (const std::bad_alloc&) {
        SetStatus(OutOfMemory);
    }
}

Bitmap* Bitmap::FromHBITMAP(HBITMAP bitmap, HPALETTE palette) {
    return new (std::nothrow) Bitmap(bitmap, palette);
}

Status Bitmap::GetPixel(INT x, INT y, Color* color) const {
    if (SetStatus(detail::RunningStatus()) != Ok)
        return GdiplusNotInitialized;
    const detail::Picture* picture = GetPicture();
    if (!color || !picture || x < 0 || y < 0 || x >= picture->pixels.Width() ||
        y >= picture->pixels.Height())
        return SetStatus(InvalidParameter);
    color->SetValue(raster::Unpremultiplied(picture->pixels.At(x, y)));
    return Ok;
}

} // namespace Gdiplus
