#include <raster/Bitmap.h>
#include <raster/Ops.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <utility>

namespace raster {
namespace {

constexpr Pixel kInk = 0xFF000000;
constexpr Pixel kPaper = 0xFFFFFFFF;

std::set<std::pair<int, int>> Inked(const Bitmap& b) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.At(x, y) != kPaper) {
                out.insert({x, y});
            }
        }
    }
    return out;
}

TEST(DrawLine, HorizontalAndVerticalIncludeBothEnds) {
    auto b = *Bitmap::Create(8, 16, kPaper);
    DrawLine(b.View(), b.View().Bounds(), {6, 1}, {2, 1}, kInk);
    DrawLine(b.View(), b.View().Bounds(), {3, 2}, {3, 15}, kInk); // a 13-pixel caret
    std::set<std::pair<int, int>> want;
    for (int x = 2; x <= 6; ++x) {
        want.insert({x, 1});
    }
    for (int y = 2; y <= 15; ++y) {
        want.insert({3, y});
    }
    EXPECT_EQ(Inked(b), want);
}

TEST(DrawLine, DiagonalsStepOnePixelPerColumnNearTheTrueLine) {
    const std::pair<Point, Point> lines[] = {
        {{0, 0}, {9, 9}}, {{9, 0}, {0, 4}}, {{1, 9}, {4, 0}}, {{0, 5}, {9, 2}}};
    for (const auto& [a, z] : lines) {
        auto b = *Bitmap::Create(10, 10, kPaper);
        DrawLine(b.View(), b.View().Bounds(), a, z, kInk);
        const auto inked = Inked(b);
        const bool xMajor = std::abs(z.x - a.x) >= std::abs(z.y - a.y);
        EXPECT_EQ(inked.size(), static_cast<std::size_t>(
                                    1 + (xMajor ? std::abs(z.x - a.x) : std::abs(z.y - a.y))));
        EXPECT_TRUE(inked.count({a.x, a.y}));
        EXPECT_TRUE(inked.count({z.x, z.y}));
        for (const auto& [x, y] : inked) {
            // Distance along the minor axis from the ideal line is at most half a pixel.
            const double t = xMajor ? double(x - a.x) / (z.x - a.x) : double(y - a.y) / (z.y - a.y);
            const double ideal = xMajor ? a.y + t * (z.y - a.y) : a.x + t * (z.x - a.x);
            EXPECT_LE(std::abs((xMajor ? y : x) - ideal), 0.5) << x << "," << y;
        }
    }
}

TEST(DrawLine, HugeCoordinatesStayInsideTheClip) {
    const std::pair<Point, Point> lines[] = {
        {{INT_MIN, 3}, {INT_MAX, 3}},
        {{4, INT_MAX}, {4, INT_MIN}},
        {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}},
        {{INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}},
        {{-1000000000, 5}, {1000000000, 6}},
    };
    const Rect clip{2, 2, 6, 7};
    for (const auto& [a, z] : lines) {
        auto b = *Bitmap::Create(8, 8, kPaper);
        DrawLine(b.View(), clip, a, z, kInk);
        for (const auto& [x, y] : Inked(b)) {
            EXPECT_TRUE(clip.Contains(x, y)) << x << "," << y;
        }
    }
    auto b = *Bitmap::Create(8, 8, kPaper);
    DrawLine(b.View(), clip, {INT_MIN, 3}, {INT_MAX, 3}, kInk);
    EXPECT_EQ(Inked(b).size(), 4u);
}

TEST(DrawLine, BlendsAPremultipliedColour) {
    auto b = *Bitmap::Create(3, 1, 0xFF0000FF);
    DrawLine(b.View(), b.View().Bounds(), {0, 0}, {1, 0}, 0x80800000);
    EXPECT_EQ(b.At(0, 0), 0xFF80007Fu);
    EXPECT_EQ(b.At(2, 0), 0xFF0000FFu);
}

} // namespace
} // namespace raster
