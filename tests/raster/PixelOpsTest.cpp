#include <raster/Bitmap.h>
#include <raster/Ops.h>

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <vector>

namespace raster {
namespace {

constexpr Pixel kGuard = 0xDEADBEEF;

// A view with a ring of guard pixels around it in the same memory, so a write
// outside the view shows.
struct Canvas {
    static constexpr int kPad = 3;
    Canvas(int width, int height, Pixel fill, bool bottomUp = false)
        : w(width), h(height),
          memory(static_cast<std::size_t>(width + 2 * kPad) * (height + 2 * kPad), kGuard) {
        const int mw = width + 2 * kPad;
        const int mh = height + 2 * kPad;
        PixelView all = bottomUp ? PixelView::BottomUp(memory.data(), mw, mh)
                                 : PixelView::TopDown(memory.data(), mw, mh);
        view = all.Sub({kPad, kPad, kPad + width, kPad + height});
        Fill(view, view.Bounds(), view.Bounds(), fill);
    }
    bool GuardsIntact() const {
        std::size_t guards = 0;
        for (Pixel p : memory) {
            guards += p == kGuard;
        }
        return guards == memory.size() - static_cast<std::size_t>(w) * h;
    }
    int w;
    int h;
    std::vector<Pixel> memory;
    PixelView view;
};

TEST(PixelView, BottomUpRowZeroIsTheLastRowInMemory) {
    std::vector<Pixel> dib = {1, 2, 3, 4, 5, 6}; // 3 x 2, bottom row first
    const auto view = PixelView::BottomUp(dib.data(), 3, 2);
    EXPECT_EQ(view.At(0, 0), 4u);
    EXPECT_EQ(view.At(2, 1), 3u);
    const auto sub = view.Sub({1, 0, 3, 5});
    EXPECT_EQ(sub.Width(), 2);
    EXPECT_EQ(sub.Height(), 2);
    EXPECT_EQ(sub.At(0, 1), 2u);
    EXPECT_TRUE(PixelView::BottomUp(dib.data(), -3, 2).Empty());
    EXPECT_TRUE(view.Sub({5, 5, 9, 9}).Empty());
}

TEST(Bitmap, RefusesImpossibleSizes) {
    EXPECT_FALSE(Bitmap::Create(-1, 4));
    EXPECT_FALSE(Bitmap::Create(INT_MAX, INT_MAX));
    const auto empty = Bitmap::Create(0, 7);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->View().Empty());
}

struct FillCase {
    const char* name;
    Rect area;
    Rect clip;
};

TEST(Fill, WritesExactlyTheClippedArea) {
    const FillCase cases[] = {
        {"inside", {1, 1, 3, 4}, {0, 0, 6, 5}},
        {"whole", {0, 0, 6, 5}, {0, 0, 6, 5}},
        {"negative corner", {-5, -5, 2, 2}, {0, 0, 6, 5}},
        {"past the far edge", {4, 3, 100, 100}, {0, 0, 6, 5}},
        {"extreme ints",
         {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
         {INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
        {"clip cuts", {0, 0, 6, 5}, {2, 1, 4, 3}},
        {"clip outside view", {0, 0, 6, 5}, {-9, -9, 0, 0}},
        {"inverted area", {4, 4, 1, 1}, {0, 0, 6, 5}},
        {"empty clip", {0, 0, 6, 5}, {3, 3, 3, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool bottomUp : {false, true}) {
            Canvas canvas(6, 5, 0x11111111, bottomUp);
            Fill(canvas.view, c.clip, c.area, 0xFF336699);
            const Rect expect = Intersect(Intersect(c.area, c.clip), canvas.view.Bounds());
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < 6; ++x) {
                    EXPECT_EQ(canvas.view.At(x, y), expect.Contains(x, y) ? 0xFF336699 : 0x11111111)
                        << x << "," << y;
                }
            }
            EXPECT_TRUE(canvas.GuardsIntact());
        }
    }
}

struct CopyCase {
    const char* name;
    Point at;
    Rect from;
    Rect clip;
};

// Per destination pixel: which source pixel lands there, if any.
std::optional<Point> SourceOf(int x, int y, const CopyCase& c, const Rect& srcBounds,
                              const Rect& dstBounds) {
    if (!Intersect(c.clip, dstBounds).Contains(x, y)) {
        return std::nullopt;
    }
    const long long sx = static_cast<long long>(x) - c.at.x + c.from.left;
    const long long sy = static_cast<long long>(y) - c.at.y + c.from.top;
    const Rect from = Intersect(c.from, srcBounds);
    if (sx < from.left || sx >= from.right || sy < from.top || sy >= from.bottom) {
        return std::nullopt;
    }
    return Point{static_cast<int>(sx), static_cast<int>(sy)};
}

TEST(Copy, CopiesExactlyTheClippedRectangle) {
    const CopyCase cases[] = {
        {"plain", {1, 1}, {0, 0, 3, 2}, {0, 0, 7, 6}},
        {"source partly outside", {0, 0}, {-2, -1, 3, 3}, {0, 0, 7, 6}},
        {"destination partly outside", {-2, 4}, {0, 0, 5, 4}, {0, 0, 7, 6}},
        {"clip cuts", {0, 0}, {0, 0, 5, 4}, {1, 1, 3, 2}},
        {"huge offset", {INT_MAX - 1, INT_MIN}, {0, 0, 5, 4}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
        {"huge source", {0, 0}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 7, 6}},
        {"negative at, huge from", {-3, -3}, {INT_MIN + 2, 0, 4, 4}, {0, 0, 7, 6}},
    };
    auto src = *Bitmap::Create(5, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            src.View().At(x, y) = Argb(0x40 + x, y, x, 7);
        }
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas plain(7, 6, 0x01010101, true);
        Canvas opaque(7, 6, 0x01010101);
        Copy(plain.view, c.clip, c.at, src.View(), c.from);
        CopyOpaque(opaque.view, c.clip, c.at, src.View(), c.from);
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 7; ++x) {
                const auto s = SourceOf(x, y, c, src.View().Bounds(), plain.view.Bounds());
                const Pixel want = s ? src.At(s->x, s->y) : 0x01010101;
                EXPECT_EQ(plain.view.At(x, y), want) << x << "," << y;
                EXPECT_EQ(opaque.view.At(x, y), s ? (want | kOpaque) : want) << x << "," << y;
            }
        }
        EXPECT_TRUE(plain.GuardsIntact());
        EXPECT_TRUE(opaque.GuardsIntact());
    }
}

TEST(Copy, OverlappingSourceAndDestinationReadBeforeWriting) {
    for (Point shift : {Point{1, 1}, Point{-1, -1}, Point{2, 0}, Point{0, -2}}) {
        auto bitmap = *Bitmap::Create(6, 6);
        for (int i = 0; i < 36; ++i) {
            bitmap.Data()[i] = static_cast<Pixel>(i);
        }
        const Bitmap before = bitmap;
        Copy(bitmap.View(), bitmap.View().Bounds(), {1 + shift.x, 1 + shift.y}, before.View(),
             {1, 1, 5, 5});
        auto inPlace = before;
        Copy(inPlace.View(), inPlace.View().Bounds(), {1 + shift.x, 1 + shift.y}, inPlace.View(),
             {1, 1, 5, 5});
        for (int i = 0; i < 36; ++i) {
            EXPECT_EQ(inPlace.Data()[i], bitmap.Data()[i]) << i;
        }
    }
}

// The exact Porter-Duff over of one channel: s + d * (255 - sa) / 255, rounded.
std::uint32_t OverChannel(std::uint32_t d, std::uint32_t s, std::uint32_t sa) {
    const std::uint32_t v = s + (2 * d * (255 - sa) + 255) / 510;
    return v > 255 ? 255 : v;
}

TEST(BlendOver, MatchesTheRoundedFormulaForEveryAlpha) {
    for (std::uint32_t sa = 0; sa < 256; ++sa) {
        for (std::uint32_t d = 0; d < 256; d += 5) {
            const std::uint32_t s = sa * 3 / 7; // a valid premultiplied channel
            const Pixel src = Argb(sa, s, sa, 0);
            const Pixel dst = Argb(d, d, 255 - d, d / 2);
            const Pixel out = Over(dst, src);
            ASSERT_EQ(AlphaOf(out), OverChannel(d, sa, sa)) << sa << " " << d;
            ASSERT_EQ(RedOf(out), OverChannel(d, s, sa)) << sa << " " << d;
            ASSERT_EQ(GreenOf(out), OverChannel(255 - d, sa, sa)) << sa << " " << d;
            ASSERT_EQ(BlueOf(out), OverChannel(d / 2, 0, sa)) << sa << " " << d;
        }
    }
}

TEST(BlendOver, HalfTransparentPixelsAndConstantAlpha) {
    struct Case {
        Pixel dst;
        Pixel src;
        std::uint8_t constant;
        Pixel want;
    };
    const Case cases[] = {
        {0xFFFFFFFF, 0x80400000, 255, 0xFFBF7F7F}, // half-transparent dark red over white
        {0xFFFFFFFF, 0xFF000000, 128, 0xFF7F7F7F}, // opaque black at constant 128
        {0x00000000, 0x80402010, 255, 0x80402010}, // over nothing: the source itself
        {0x12345678, 0xFF0000FF, 255, 0xFF0000FF}, // opaque source replaces
        {0x12345678, 0xFF0000FF, 0, 0x12345678},   // constant 0 leaves the destination
        {0x12345678, 0x00000000, 255, 0x12345678}, // transparent source leaves it
        {0x00000000, 0xFF804020, 128, 0x80402010}, // constant alpha scales every channel
        {0xFFFFFFFF, 0x40FFFFFF, 255, 0xFFFFFFFF}, // malformed source saturates
    };
    for (const auto& c : cases) {
        auto dst = *Bitmap::Create(1, 1, c.dst);
        auto src = *Bitmap::Create(1, 1, c.src);
        BlendOver(dst.View(), dst.View().Bounds(), {0, 0}, src.View(), src.View().Bounds(),
                  c.constant);
        EXPECT_EQ(dst.At(0, 0), c.want) << std::hex << c.dst << " " << c.src;
    }
}

TEST(BlendOver, ClipsLikeCopy) {
    auto src = *Bitmap::Create(4, 4, 0xFF00FF00);
    Canvas canvas(5, 5, 0xFF000000);
    // Source column 1 lands on x = 0, the last one (3) on x = 2; rows 0 and 1 land on 2 and 3.
    BlendOver(canvas.view, {1, 1, 4, 4}, {-2, 2}, src.View(), {-1, 0, INT_MAX, 2}, 255);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const bool hit = x >= 1 && x < 3 && y >= 2 && y < 4;
            EXPECT_EQ(canvas.view.At(x, y), hit ? 0xFF00FF00 : 0xFF000000) << x << "," << y;
        }
    }
    EXPECT_TRUE(canvas.GuardsIntact());
}

TEST(Premultiply, RoundTripsEveryPremultipliedPixel) {
    for (std::uint32_t a = 0; a < 256; ++a) {
        for (std::uint32_t c = 0; c <= a; ++c) {
            const Pixel p = Argb(a, c, a - c, c / 2);
            ASSERT_EQ(Premultiplied(Unpremultiplied(p)), p) << a << " " << c;
        }
    }
    EXPECT_EQ(Premultiplied(0xFF123456), 0xFF123456u);
    EXPECT_EQ(Unpremultiplied(0xFF123456), 0xFF123456u);
    EXPECT_EQ(Premultiplied(0x00FFFFFF), 0u);
    EXPECT_EQ(Premultiplied(0x80FF0040), 0x80800020u);
    EXPECT_EQ(Unpremultiplied(0x80800020), 0x80FF0040u);
    EXPECT_EQ(Unpremultiplied(0x10FF0000), 0x10FF0000u); // colour above alpha saturates
}

TEST(Premultiply, TouchesOnlyTheArea) {
    Canvas canvas(4, 3, 0x80FFFFFF);
    Premultiply(canvas.view, {-1, 1, 2, 9});
    EXPECT_EQ(canvas.view.At(0, 0), 0x80FFFFFFu);
    EXPECT_EQ(canvas.view.At(1, 2), 0x80808080u);
    EXPECT_EQ(canvas.view.At(2, 2), 0x80FFFFFFu);
    Unpremultiply(canvas.view, canvas.view.Bounds());
    EXPECT_EQ(canvas.view.At(1, 2), 0x80FFFFFFu);
    EXPECT_TRUE(canvas.GuardsIntact());
}

TEST(FrameAndEdge, DrawOnlyTheBorder) {
    Canvas canvas(5, 4, 0);
    DrawEdge(canvas.view, canvas.view.Bounds(), {0, 0, 5, 4}, 1, 2);
    const Pixel want[4][5] = {{1, 1, 1, 1, 2}, {1, 0, 0, 0, 2}, {1, 0, 0, 0, 2}, {2, 2, 2, 2, 2}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(canvas.view.At(x, y), want[y][x]) << x << "," << y;
        }
    }
    FrameRect(canvas.view, {0, 0, 5, 1}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 7);
    EXPECT_EQ(canvas.view.At(2, 0), 1u); // the frame of a huge rectangle is outside the view
    FrameRect(canvas.view, canvas.view.Bounds(), {1, 1, 4, 3}, 7);
    EXPECT_EQ(canvas.view.At(1, 1), 7u);
    EXPECT_EQ(canvas.view.At(3, 2), 7u);
    EXPECT_TRUE(canvas.GuardsIntact());
}

} // namespace
} // namespace raster
