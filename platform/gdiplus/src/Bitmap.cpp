#include "Gdi.h"
#include "Picture.h"
#include "Runtime.h"

#include <gdiplus/Bitmap.h>
#include <mutex>
#include <new>

namespace Gdiplus {
namespace {

Status CopyOpaque(HBITMAP handle, std::unique_ptr<detail::Picture>& out) {
    using namespace win32::detail;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* source = gdi.Find<BitmapObject>(handle, GdiKind::Bitmap);
    if (!source || !source->bits || source->width <= 0 || source->height <= 0)
        return InvalidParameter;
    auto copy = raster::Bitmap::Create(source->width, source->height);
    if (!copy)
        return OutOfMemory;
    for (int y = 0; y < source->height; ++y) {
        const std::uint32_t* src = source->Row(y);
        raster::Pixel* dst = copy->View().Row(y);
        for (int x = 0; x < source->width; ++x)
            dst[x] = src[x] | raster::kOpaque;
    }
    out = std::make_unique<detail::Picture>(detail::Picture{std::move(*copy)});
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
