#pragma once

#include <raster/Bitmap.h>
#include <raster/Ops.h>

namespace Gdiplus::detail {

// An image's pixels, premultiplied ARGB, never empty, and where they are
// transparent or opaque (a picture never changes once made).
struct Picture {
    raster::Bitmap pixels;
    raster::AlphaRuns runs;
};

} // namespace Gdiplus::detail
