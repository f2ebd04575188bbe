#include <raster/Bitmap.h>

#include <new>

namespace raster {

std::optional<Bitmap> Bitmap::Create(int width, int height, Pixel fill) {
    if (width < 0 || height < 0 || static_cast<long long>(width) * height > kMaxPixels) {
        return std::nullopt;
    }
    Bitmap bitmap;
    try {
        bitmap.m_pixels.assign(static_cast<std::size_t>(width) * height, fill);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    bitmap.m_width = width;
    bitmap.m_height = height;
    return bitmap;
}

std::optional<Bitmap> Bitmap::CreateUninitialized(int width, int height) {
    if (width < 0 || height < 0 || static_cast<long long>(width) * height > kMaxPixels) {
        return std::nullopt;
    }
    Bitmap bitmap;
    try {
        bitmap.m_pixels.resize(static_cast<std::size_t>(width) * height);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    bitmap.m_width = width;
    bitmap.m_height = height;
    return bitmap;
}

} // namespace raster
