// The whole-row operations work on several pixels at a time; whatever the
// row's length and offset, each pixel must come out exactly as the pixel
// functions of Pixel.h make it.

#include <raster/Bitmap.h>
#include <raster/Ops.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace raster {
namespace {

// Every source alpha against a spread of destinations, with valid and
// malformed (colour above alpha) premultiplied sources, in one long row.
struct Rows {
    std::vector<Pixel> dst;
    std::vector<Pixel> src;
    std::vector<std::uint8_t> cover;
};

Rows Pairs() {
    Rows r;
    std::mt19937 random(20261211);
    for (std::uint32_t sa = 0; sa < 256; ++sa) {
        for (std::uint32_t d = 0; d < 256; d += 3) {
            const std::uint32_t c = random() % (sa + 1);
            const bool malformed = (d % 17) == 0;
            r.src.push_back(Argb(sa, malformed ? 255 - c : c, sa, sa / 3));
            r.dst.push_back(Argb(d, d, 255 - d, random() & 0xFF));
            r.cover.push_back(static_cast<std::uint8_t>(sa == 0 ? 0 : random() % 256));
        }
    }
    // Runs of transparent and opaque sources, as the skin has.
    for (int i = 0; i < 64; ++i) {
        r.src.push_back(i < 32 ? 0 : Argb(255, i, 2 * i, 3 * i));
        r.dst.push_back(Argb(i * 4, i, i, i));
        r.cover.push_back(i < 16 ? 0 : 255);
    }
    return r;
}

ConstPixelView Row(const std::vector<Pixel>& p, std::size_t from, int n) {
    return ConstPixelView::TopDown(p.data() + from, n, 1);
}

// Each length and offset the row kernels split differently.
template <class Op, class Want>
void ForEverySlice(const Rows& r, Op op, Want want) {
    for (std::size_t offset : {0u, 1u, 2u, 3u}) {
        for (int n : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17}) {
            for (std::size_t at = offset; at + static_cast<std::size_t>(n) <= r.dst.size();
                 at += 97 * static_cast<std::size_t>(n)) {
                std::vector<Pixel> got(r.dst.begin() + static_cast<std::ptrdiff_t>(at),
                                       r.dst.begin() + static_cast<std::ptrdiff_t>(at) + n);
                op(PixelView::TopDown(got.data(), n, 1), at, n);
                for (int i = 0; i < n; ++i) {
                    const std::size_t k = at + static_cast<std::size_t>(i);
                    ASSERT_EQ(got[static_cast<std::size_t>(i)], want(k))
                        << std::hex << "dst " << r.dst[k] << " src " << r.src[k] << " cover "
                        << int(r.cover[k]) << std::dec << " at " << k << " n " << n;
                }
            }
        }
    }
}

TEST(RowKernels, SourceOverMatchesOverPixelForPixel) {
    const Rows r = Pairs();
    ForEverySlice(
        r,
        [&](PixelView v, std::size_t at, int n) {
            BlendOver(v, v.Bounds(), {0, 0}, Row(r.src, at, n), {0, 0, n, 1});
        },
        [&](std::size_t k) { return Over(r.dst[k], r.src[k]); });
    for (std::uint8_t constant : {1, 77, 128, 254}) {
        ForEverySlice(
            r,
            [&](PixelView v, std::size_t at, int n) {
                BlendOver(v, v.Bounds(), {0, 0}, Row(r.src, at, n), {0, 0, n, 1}, constant);
            },
            [&](std::size_t k) { return Over(r.dst[k], ScalePixel(r.src[k], constant)); });
    }
}

TEST(RowKernels, CoverageMatchesOverOfTheScaledColour) {
    const Rows r = Pairs();
    for (Pixel colour : {0xFF000000u, 0xFFFFFFFFu, 0xFF2080C0u, 0x80402010u}) {
        ForEverySlice(
            r,
            [&](PixelView v, std::size_t at, int n) {
                BlendCoverage(v, v.Bounds(), {0, 0}, r.cover.data() + at, n, 1, n, colour);
            },
            [&](std::size_t k) {
                return r.cover[k] == 0 ? r.dst[k] : Over(r.dst[k], ScalePixel(colour, r.cover[k]));
            });
    }
}

TEST(RowKernels, OpaqueCopyAndFillTouchEveryPixelOfTheRowOnly) {
    const Rows r = Pairs();
    ForEverySlice(
        r,
        [&](PixelView v, std::size_t at, int n) {
            CopyOpaque(v, v.Bounds(), {0, 0}, Row(r.src, at, n), {0, 0, n, 1});
        },
        [&](std::size_t k) { return r.src[k] | kOpaque; });
    for (std::size_t n = 0; n < 12; ++n) {
        std::vector<Pixel> row(n + 2, 0x12345678);
        FillPixels(row.data() + 1, n, 0xFF00FF00);
        EXPECT_EQ(row.front(), 0x12345678u);
        EXPECT_EQ(row.back(), 0x12345678u);
        for (std::size_t i = 1; i <= n; ++i)
            EXPECT_EQ(row[i], 0xFF00FF00u) << n;
    }
}

// Drawing with the picture's runs is the same as blending every pixel,
// wherever it lands and whatever part of it is drawn.
TEST(AlphaRunsBlend, MatchesBlendOverForEveryPlacement) {
    constexpr int kW = 37, kH = 9;
    std::mt19937 random(7);
    auto picture = *Bitmap::Create(kW, kH);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const int band = (x / 5 + y) % 4; // runs of every kind, of several lengths
            const std::uint32_t a = band == 0 ? 0 : band == 1 ? 255 : random() % 256;
            picture.View().At(x, y) =
                band == 0 ? 0 : Argb(a, random() % (a + 1), random() % (a + 1), a / 2);
        }
    }
    picture.View().At(3, 3) = 0x00000001; // alpha 0 with colour: not empty
    const AlphaRuns runs = AlphaRuns::Of(picture.View());
    EXPECT_FALSE(runs.IsAllOpaque());
    const Rect froms[] = {{0, 0, kW, kH}, {4, 1, 30, 8}, {-5, -5, 100, 100}, {10, 2, 11, 3}};
    const Point ats[] = {{0, 0}, {-7, 3}, {20, -4}, {45, 2}};
    const Rect clips[] = {{0, 0, 50, 14}, {3, 2, 40, 9}};
    for (const Rect& from : froms) {
        for (const Point at : ats) {
            for (const Rect& clip : clips) {
                auto want = *Bitmap::Create(50, 14, 0xFF336699);
                auto got = *Bitmap::Create(50, 14, 0xFF336699);
                BlendOver(want.View(), clip, at, picture.View(), from);
                BlendOver(got.View(), clip, at, picture.View(), from, runs);
                for (int y = 0; y < 14; ++y)
                    for (int x = 0; x < 50; ++x)
                        ASSERT_EQ(got.At(x, y), want.At(x, y)) << x << "," << y;
            }
        }
    }
    // An opaque picture drawn as AllOpaque is copied.
    auto opaque = *Bitmap::Create(6, 4, 0xFF102030);
    auto dst = *Bitmap::Create(8, 8, 0x80808080);
    BlendOver(dst.View(), dst.View().Bounds(), {1, 1}, opaque.View(), opaque.View().Bounds(),
              AlphaRuns::AllOpaque(6, 4));
    EXPECT_EQ(dst.At(1, 1), 0xFF102030u);
    EXPECT_EQ(dst.At(0, 0), 0x80808080u);
    EXPECT_TRUE(AlphaRuns::Of(opaque.View()).IsAllOpaque());
}

} // namespace
} // namespace raster
