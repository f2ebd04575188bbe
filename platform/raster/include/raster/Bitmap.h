#pragma once

// An owning, top-down pixel buffer. It holds whatever its producer put in:
// decoded PNGs are straight ARGB, compositions are premultiplied.

#include <optional>

#include <raster/Pixel.h>
#include <raster/PixelBuffer.h>
#include <raster/PixelView.h>

namespace raster {

class Bitmap {
public:
    // Refuses more pixels than this (256 MiB), far beyond any picture we draw.
    static constexpr long long kMaxPixels = 64LL * 1024 * 1024;

    Bitmap() = default;

    // Empty when a side is negative, the area is beyond kMaxPixels or memory is short.
    static std::optional<Bitmap> Create(int width, int height, Pixel fill = 0);
    // As Create, with pixels left as they come: for a producer that writes
    // every one of them at once.
    static std::optional<Bitmap> CreateUninitialized(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    PixelView View() { return PixelView::TopDown(m_pixels.data(), m_width, m_height); }
    ConstPixelView View() const {
        return ConstPixelView::TopDown(m_pixels.data(), m_width, m_height);
    }
    Pixel At(int x, int y) const { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
    Pixel* Data() { return m_pixels.data(); }
    const Pixel* Data() const { return m_pixels.data(); }

private:
    int m_width = 0;
    int m_height = 0;
    PixelBuffer m_pixels;
};

} // namespace raster
