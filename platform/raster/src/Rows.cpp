#include "Rows.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define RASTER_SSE2 1
#endif

namespace raster::rows {

#ifdef RASTER_SSE2
namespace {

inline __m128i Load(const Pixel* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(Pixel* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// x * f / 255 rounded, per 16-bit lane, as ScalePixel does per channel.
inline __m128i Scale16(__m128i x, __m128i f) {
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, f), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// 255 minus each pixel's alpha, in all four lanes of that pixel.
inline __m128i InverseAlpha16(__m128i p16) {
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(p16, _MM_SHUFFLE(3, 3, 3, 3)),
                                          _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_sub_epi16(_mm_set1_epi16(255), a);
}

// Source-over of two pixels' worth of 16-bit lanes each, packed back to four
// pixels; the channel sums saturate, as Over does.
inline __m128i Over16(__m128i d, __m128i slo, __m128i shi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i dlo = Scale16(_mm_unpacklo_epi8(d, zero), InverseAlpha16(slo));
    const __m128i dhi = Scale16(_mm_unpackhi_epi8(d, zero), InverseAlpha16(shi));
    return _mm_adds_epu8(_mm_packus_epi16(dlo, dhi), _mm_packus_epi16(slo, shi));
}

inline __m128i Over4(__m128i d, __m128i s) {
    const __m128i zero = _mm_setzero_si128();
    return Over16(d, _mm_unpacklo_epi8(s, zero), _mm_unpackhi_epi8(s, zero));
}

inline bool AllOpaque(__m128i s) {
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(kOpaque));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alpha), alpha)) == 0xFFFF;
}
inline bool AllZero(__m128i s) {
    return _mm_movemask_epi8(_mm_cmpeq_epi32(s, _mm_setzero_si128())) == 0xFFFF;
}

} // namespace
#endif

void Fill(Pixel* d, std::size_t n, Pixel colour) {
    std::size_t i = 0;
#ifdef RASTER_SSE2
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    for (; i + 16 <= n; i += 16) {
        Store(d + i, c);
        Store(d + i + 4, c);
        Store(d + i + 8, c);
        Store(d + i + 12, c);
    }
    for (; i + 4 <= n; i += 4)
        Store(d + i, c);
#endif
    for (; i < n; ++i)
        d[i] = colour;
}

void CopyOpaque(Pixel* d, const Pixel* s, std::size_t n) {
    std::size_t i = 0;
#ifdef RASTER_SSE2
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(kOpaque));
    for (; i + 4 <= n; i += 4)
        Store(d + i, _mm_or_si128(Load(s + i), alpha));
#endif
    for (; i < n; ++i)
        d[i] = s[i] | kOpaque;
}

void Over(Pixel* d, const Pixel* s, std::size_t n) {
    std::size_t i = 0;
#ifdef RASTER_SSE2
    for (; i + 4 <= n; i += 4) {
        const __m128i src = Load(s + i);
        if (AllOpaque(src))
            Store(d + i, src);
        else if (!AllZero(src))
            Store(d + i, Over4(Load(d + i), src));
    }
#endif
    for (; i < n; ++i)
        d[i] = raster::Over(d[i], s[i]);
}

void OverScaled(Pixel* d, const Pixel* s, std::size_t n, std::uint32_t alpha) {
    std::size_t i = 0;
#ifdef RASTER_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128i f = _mm_set1_epi16(static_cast<short>(alpha));
    for (; i + 4 <= n; i += 4) {
        const __m128i src = Load(s + i);
        if (AllZero(src))
            continue;
        const __m128i slo = Scale16(_mm_unpacklo_epi8(src, zero), f);
        const __m128i shi = Scale16(_mm_unpackhi_epi8(src, zero), f);
        Store(d + i, Over16(Load(d + i), slo, shi));
    }
#endif
    for (; i < n; ++i)
        d[i] = raster::Over(d[i], ScalePixel(s[i], alpha));
}

void OverCoverage(Pixel* d, const std::uint8_t* m, std::size_t n, Pixel colour) {
    std::size_t i = 0;
#ifdef RASTER_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128i c16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
    auto four = [&](Pixel* dst, std::uint32_t cover4) {
        // Each pixel's coverage in the four bytes of that pixel.
        __m128i cover = _mm_cvtsi32_si128(static_cast<int>(cover4));
        cover = _mm_unpacklo_epi8(cover, cover);
        cover = _mm_unpacklo_epi16(cover, cover);
        const __m128i slo = Scale16(c16, _mm_unpacklo_epi8(cover, zero));
        const __m128i shi = Scale16(c16, _mm_unpackhi_epi8(cover, zero));
        Store(dst, Over16(Load(dst), slo, shi));
    };
    for (; i + 4 <= n; i += 4) {
        std::uint32_t cover4;
        std::memcpy(&cover4, m + i, sizeof cover4);
        if (cover4 != 0)
            four(d + i, cover4);
    }
    // Glyph rows are narrow: the last one to three pixels go through the
    // same four-pixel step, with coverage 0 (no change) past the end.
    if (i < n) {
        const std::size_t rest = n - i;
        std::uint32_t cover4 = 0;
        std::memcpy(&cover4, m + i, rest);
        if (cover4 != 0) {
            Pixel tail[4] = {};
            std::memcpy(tail, d + i, sizeof(Pixel) * rest);
            four(tail, cover4);
            std::memcpy(d + i, tail, sizeof(Pixel) * rest);
        }
        return;
    }
#endif
    for (; i < n; ++i) {
        if (m[i] == 255)
            d[i] = raster::Over(d[i], colour);
        else if (m[i] != 0)
            d[i] = raster::Over(d[i], ScalePixel(colour, m[i]));
    }
}

} // namespace raster::rows
