#pragma once

// The per-row kernels behind the whole-rectangle operations. Each gives
// exactly what the scalar pixel functions of Pixel.h give, pixel for pixel;
// on x86-64 they work on four pixels at a time with SSE2 (16-bit lanes hold
// c * f + 128 without overflow, so the rounding is the same).

#include <cstddef>
#include <cstdint>

#include <raster/Pixel.h>

namespace raster::rows {

void Fill(Pixel* d, std::size_t n, Pixel colour);
// d = s | opaque alpha.
void CopyOpaque(Pixel* d, const Pixel* s, std::size_t n);
// d = Over(d, s).
void Over(Pixel* d, const Pixel* s, std::size_t n);
// d = Over(d, ScalePixel(s, alpha)).
void OverScaled(Pixel* d, const Pixel* s, std::size_t n, std::uint32_t alpha);
// d = Over(d, ScalePixel(colour, m)) where m != 0.
void OverCoverage(Pixel* d, const std::uint8_t* m, std::size_t n, Pixel colour);

} // namespace raster::rows
