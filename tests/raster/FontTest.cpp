#include <raster/Bitmap.h>
#include <raster/Font.h>
#include <raster/Ops.h>
#include <raster/TextLayout.h>

#include <gtest/gtest.h>

#include <climits>
#include <thread>
#include <vector>

namespace raster {
namespace {

constexpr Pixel kWhite = 0xFFFFFFFF;
constexpr Pixel kBlack = 0xFF000000;

std::shared_ptr<Font> DialogFont(int weight = 400) {
    FontRequest request; // "MS Shell Dlg", which no machine here has a file for
    request.height = FontRequest::PixelsFromPoints(9);
    request.weight = weight;
    return Font::Open(request);
}

// Sum of darkness over a bitmap that started white.
long Ink(const Bitmap& b) {
    long sum = 0;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            sum += 255 - static_cast<long>(GreenOf(b.At(x, y)));
        }
    }
    return sum;
}

Bitmap Render(const Font& font, std::wstring_view text, int width = 40, int height = 24) {
    auto b = *Bitmap::Create(width, height, kWhite);
    font.Draw(b.View(), b.View().Bounds(), {2, 2}, text, kBlack);
    return b;
}

TEST(Font, DialogFontFallsBackToACjkSansSerif) {
    const auto font = DialogFont();
    ASSERT_TRUE(font);
    EXPECT_FALSE(font->FamilyName().empty());
    EXPECT_EQ(font->EmPixels(), 12);
    const auto& m = font->Metrics();
    EXPECT_GT(m.ascent, 0);
    EXPECT_GT(m.descent, 0);
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_EQ(m.internalLeading, m.height - 12);
    EXPECT_GT(m.averageCharWidth, 0);
    // The dialog's 325 horizontal units at 4 units per base width.
    const int dialogWidth = 325 * m.letterAverageWidth / 4;
    EXPECT_GE(dialogWidth, 460);
    EXPECT_LE(dialogWidth, 520);

    FontRequest unknown;
    unknown.family = "No Such Family Anywhere";
    EXPECT_EQ(Font::Open(unknown)->FamilyName(), font->FamilyName());
}

TEST(Font, CjkAndDegreeSignAreRealGlyphsInEveryFamily) {
    FontRequest latin;
    latin.family = "DejaVu Sans"; // has no Chinese: those come from the next font of the set
    for (const auto& font : {DialogFont(), Font::Open(latin)}) {
        ASSERT_TRUE(font);
        EXPECT_FALSE(font->HasGlyph(0xE000));
        const Bitmap missing = Render(*font, L"\uE000");
        for (const wchar_t* text : {L"温", L"度", L"℃"}) {
            SCOPED_TRACE(font->FamilyName());
            EXPECT_TRUE(font->HasGlyph(text[0]));
            const Bitmap glyph = Render(*font, text);
            EXPECT_GT(Ink(glyph), 255 * 10);
            bool differs = false;
            for (int y = 0; y < glyph.Height() && !differs; ++y) {
                for (int x = 0; x < glyph.Width() && !differs; ++x) {
                    differs = glyph.At(x, y) != missing.At(x, y);
                }
            }
            EXPECT_TRUE(differs) << "drawn as the missing-glyph box";
        }
    }
}

TEST(Font, TextInksItsBoxAndNothingOutsideTheClip) {
    const auto font = DialogFont();
    ASSERT_TRUE(font);
    const Point at{5, 3};
    const int width = font->TextWidth(L"CPU");
    ASSERT_GT(width, 0);
    const Rect box{at.x, at.y, at.x + width, at.y + font->Metrics().height};

    auto whole = *Bitmap::Create(40, 24, kWhite);
    font->Draw(whole.View(), whole.View().Bounds(), at, L"CPU", kBlack);
    long inside = 0;
    for (int y = 0; y < whole.Height(); ++y) {
        for (int x = 0; x < whole.Width(); ++x) {
            const Pixel p = whole.At(x, y);
            EXPECT_EQ(AlphaOf(p), 255u);
            if (box.Contains(x, y)) {
                inside += GreenOf(p) < 128;
            } else {
                EXPECT_EQ(p, kWhite) << x << "," << y;
            }
        }
    }
    EXPECT_GT(inside, 10);

    // A clip through the middle of the text: the rest of the picture stays white.
    const Rect clip{at.x + width / 2, 0, 40, 24};
    auto clipped = *Bitmap::Create(40, 24, kWhite);
    font->Draw(clipped.View(), clip, at, L"CPU", kBlack);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 40; ++x) {
            EXPECT_EQ(clipped.At(x, y), clip.Contains(x, y) ? whole.At(x, y) : kWhite)
                << x << "," << y;
        }
    }
}

TEST(Font, LaidOutLineIsCutAtTheWidth) {
    const auto font = DialogFont();
    ASSERT_TRUE(font);
    LayoutOptions options;
    options.width = 30;
    const auto lines = LayoutText(L"Memory used 12345", options, *font);
    ASSERT_EQ(lines.size(), 1u);
    const Rect rect{0, 0, 30, 20};
    auto b = *Bitmap::Create(60, 20, kWhite);
    font->Draw(b.View(), rect, {0, 0}, lines[0], kBlack);
    long inked = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 60; ++x) {
            if (x >= 30) {
                EXPECT_EQ(b.At(x, y), kWhite) << x << "," << y;
            }
            inked += b.At(x, y) != kWhite;
        }
    }
    EXPECT_GT(inked, 20);
}

TEST(Font, SecondDrawingRendersNothing) {
    const auto font = DialogFont();
    ASSERT_TRUE(font);
    const wchar_t* text = L"CPU 温度 45℃";
    Render(*font, text, 120);
    const auto first = font->GlyphsRendered();
    EXPECT_GT(first, 0u);
    const Bitmap a = Render(*font, text, 120);
    const Bitmap b = Render(*font, text, 120);
    EXPECT_EQ(font->GlyphsRendered(), first);
    EXPECT_EQ(Ink(a), Ink(b));
}

TEST(Font, RequestsThatChangeTheGlyphs) {
    const auto regular = DialogFont();
    const auto bold = DialogFont(700);
    ASSERT_TRUE(regular && bold);
    EXPECT_GT(Ink(Render(*bold, L"CPU")), Ink(Render(*regular, L"CPU")));

    FontRequest big;
    big.height = 24;
    EXPECT_GT(Font::Open(big)->Metrics().height, regular->Metrics().height);
    FontRequest cell;
    cell.height = regular->Metrics().height;
    cell.cellHeight = true;
    const auto byCell = Font::Open(cell);
    ASSERT_TRUE(byCell);
    EXPECT_NEAR(byCell->EmPixels(), 12, 1);

    FontRequest zero;
    zero.height = 0;
    EXPECT_FALSE(Font::Open(zero));
}

TEST(Font, ControlCharactersAndExtremePositionsDrawNothing) {
    const auto font = DialogFont();
    ASSERT_TRUE(font);
    EXPECT_EQ(font->TextWidth(L"\t\r\n"), 0);
    EXPECT_EQ(Ink(Render(*font, L"\t\r\n")), 0);
    for (Point at : {Point{INT_MIN, INT_MIN}, Point{INT_MAX, INT_MAX}, Point{INT_MAX, 0},
                     Point{-5, INT_MIN + 3}}) {
        auto b = *Bitmap::Create(10, 10, kWhite);
        font->Draw(b.View(), {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, at, L"CPU温", kBlack);
        EXPECT_EQ(Ink(b), 0);
    }
}

TEST(Font, ThreadsDrawWithSharedAndTheirOwnFonts) {
    const auto shared = DialogFont();
    ASSERT_TRUE(shared);
    const wchar_t* text = L"GPU 温度 61℃";
    const long reference = Ink(Render(*shared, text, 120));
    constexpr int kThreads = 4;
    std::vector<long> sharedInk(kThreads);
    std::vector<long> ownInk(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const auto own = DialogFont();
            for (int i = 0; i < 20; ++i) {
                sharedInk[t] = Ink(Render(*shared, text, 120));
                ownInk[t] = own ? Ink(Render(*own, text, 120)) : -1;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(sharedInk[t], reference);
        EXPECT_EQ(ownInk[t], reference);
    }
}

} // namespace
} // namespace raster
