#pragma once

#include <raster/Bitmap.h>

namespace Gdiplus::detail {

// An image's pixels, premultiplied ARGB, never empty.
struct Picture {
    raster::Bitmap pixels;
};

} // namespace Gdiplus::detail
