#pragma once

// A pixel is 0xAARRGGBB in a std::uint32_t; on a little-endian machine its
// bytes lie in memory as B, G, R, A, the order of a 32-bit DIB. Whether the
// colour channels are premultiplied by alpha is a property of the buffer, not
// of the pixel: each operation says which it expects.

#include <bit>
#include <cstdint>

#include <raster/Forward.h>

namespace raster {

static_assert(std::endian::native == std::endian::little, "pixels are stored as B, G, R, A");

constexpr Pixel Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (a & 0xFF) << 24 | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}
constexpr Pixel Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return Argb(255, r, g, b);
}

constexpr std::uint32_t AlphaOf(Pixel p) {
    return p >> 24;
}
constexpr std::uint32_t RedOf(Pixel p) {
    return (p >> 16) & 0xFF;
}
constexpr std::uint32_t GreenOf(Pixel p) {
    return (p >> 8) & 0xFF;
}
constexpr std::uint32_t BlueOf(Pixel p) {
    return p & 0xFF;
}

constexpr Pixel kOpaque = 0xFF000000u;

// round(x / 255) for 0 <= x <= 255 * 255 + 255, without a division.
constexpr std::uint32_t Div255(std::uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// Each 8-bit channel of p times f / 255, rounded; two channels per multiply.
constexpr Pixel ScalePixel(Pixel p, std::uint32_t f) {
    std::uint32_t rb = (p & 0x00FF00FFu) * f + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    std::uint32_t ag = ((p >> 8) & 0x00FF00FFu) * f + 0x00800080u;
    ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return rb | ag;
}

// Straight ARGB to premultiplied, each colour channel rounded.
constexpr Pixel Premultiplied(Pixel p) {
    const std::uint32_t a = AlphaOf(p);
    if (a == 255) {
        return p;
    }
    return (ScalePixel(p, a) & 0x00FFFFFFu) | (a << 24);
}

// Premultiplied to straight. Alpha 0 has no colour: the result is 0. A
// channel above alpha (not a valid premultiplied pixel) saturates at 255.
constexpr Pixel Unpremultiplied(Pixel p) {
    const std::uint32_t a = AlphaOf(p);
    if (a == 255) {
        return p;
    }
    if (a == 0) {
        return 0;
    }
    auto channel = [a](std::uint32_t c) {
        const std::uint32_t v = (c * 255 + a / 2) / a;
        return v > 255 ? 255u : v;
    };
    return Argb(a, channel(RedOf(p)), channel(GreenOf(p)), channel(BlueOf(p)));
}

// Porter-Duff source-over of premultiplied pixels: s + d * (255 - sa) / 255.
// Channels saturate, so a malformed source (colour above alpha) stays in range.
constexpr Pixel Over(Pixel dst, Pixel src) {
    const std::uint32_t sa = AlphaOf(src);
    if (sa == 255) {
        return src;
    }
    if (sa == 0 && src == 0) {
        return dst;
    }
    const Pixel d = ScalePixel(dst, 255 - sa);
    std::uint32_t rb = (d & 0x00FF00FFu) + (src & 0x00FF00FFu);
    std::uint32_t ag = ((d >> 8) & 0x00FF00FFu) + ((src >> 8) & 0x00FF00FFu);
    // A lane that overflowed into bit 8 saturates to 0xFF.
    rb |= 0x01000100u - ((rb >> 8) & 0x00010001u);
    ag |= 0x01000100u - ((ag >> 8) & 0x00010001u);
    return (rb & 0x00FF00FFu) | ((ag & 0x00FF00FFu) << 8);
}

} // namespace raster
