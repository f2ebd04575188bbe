#include <raster/TextLayout.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace raster {
namespace {

// Every printable character 10 px wide, 'i' 4, controls nothing; tabs every 8 * 5 = 40 px.
class FixedMetrics final : public CharMetrics {
public:
    int Advance(wchar_t ch) const override { return ch < 0x20 ? 0 : ch == L'i' ? 4 : 10; }
    int AverageCharWidth() const override { return 5; }
};

std::vector<std::wstring> Texts(const std::vector<LayoutLine>& lines) {
    std::vector<std::wstring> out;
    for (const auto& line : lines) {
        std::wstring s;
        for (const auto& c : line.chars) {
            s += c.ch;
        }
        out.push_back(s);
    }
    return out;
}

LayoutOptions Wrap(int width) {
    LayoutOptions o;
    o.width = width;
    o.wordBreak = true;
    return o;
}

LayoutOptions NoWrap(int width) {
    LayoutOptions o;
    o.width = width;
    return o;
}

struct Case {
    const char* name;
    std::wstring text;
    LayoutOptions options;
    std::vector<std::wstring> lines;
};

TEST(LayoutText, SplitsLinesAsTheOptionsSay) {
    LayoutOptions single;
    single.singleLine = true;
    single.wordBreak = true;
    single.width = 35;
    const Case cases[] = {
        {"empty text has no lines", L"", NoWrap(100), {}},
        {"LF and CRLF end lines", L"ab\ncd\r\nef", NoWrap(100), {L"ab", L"cd", L"ef"}},
        {"a final break adds no line", L"ab\n", NoWrap(100), {L"ab"}},
        {"empty lines count", L"\n\nx", NoWrap(100), {L"", L"", L"x"}},
        {"lone CR stays in its line", L"a\rb", NoWrap(100), {L"a\rb"}},
        {"wrap at the space", L"hello world", Wrap(60), {L"hello", L"world"}},
        {"spaces at the break are dropped", L"ab   cd", Wrap(30), {L"ab", L"cd"}},
        {"a word that fits stays whole", L"ab cd ef", Wrap(50), {L"ab cd", L"ef"}},
        {"overlong word is cut where it stops fitting",
         L"abcdefghjk",
         Wrap(45),
         {L"abcd", L"efgh", L"jk"}},
        {"overlong word starts its own line",
         L"hi abcdefghjk",
         Wrap(45),
         {L"hi", L"abcd", L"efgh", L"jk"}},
        {"narrower than one glyph still ends", L"abc", Wrap(3), {L"a", L"b", L"c"}},
        {"wrap inside each paragraph", L"aa bb\ncc dd", Wrap(40), {L"aa", L"bb", L"cc", L"dd"}},
        {"no wrap keeps what starts inside", L"hello world", NoWrap(45), {L"hello"}},
        {"no wrap, zero width shows nothing", L"abc", NoWrap(0), {L""}},
        {"single line ignores breaks and wrapping", L"ab\ncd ef", single, {L"ab\ncd"}},
        {"exact fit does not wrap", L"abc def", Wrap(70), {L"abc def"}},
    };
    const FixedMetrics metrics;
    for (const auto& c : cases) {
        EXPECT_EQ(Texts(LayoutText(c.text, c.options, metrics)), c.lines) << c.name;
    }
}

TEST(LayoutText, PositionsAndIndicesFollowTheAdvances) {
    const FixedMetrics metrics;
    const auto lines = LayoutText(L"hi x\r\nyy", NoWrap(LayoutOptions::kUnbounded), metrics);
    ASSERT_EQ(lines.size(), 2u);
    const std::vector<int> xs = {0, 10, 14, 24};
    for (std::size_t i = 0; i < xs.size(); ++i) {
        EXPECT_EQ(lines[0].chars[i].x, xs[i]);
        EXPECT_EQ(lines[0].chars[i].index, i);
    }
    EXPECT_EQ(lines[0].width, 34);
    EXPECT_EQ(lines[1].chars[0].index, 6u);
    EXPECT_EQ(lines[1].width, 20);

    // The cut keeps the character the edge runs through; its width passes the rectangle.
    const auto cut = LayoutText(L"abcdef", NoWrap(25), metrics);
    EXPECT_EQ(cut[0].chars.size(), 3u);
    EXPECT_EQ(cut[0].width, 30);
}

TEST(LayoutText, TabsMoveToTheNextStopFromTheLineStart) {
    const FixedMetrics metrics;
    LayoutOptions tabs;
    tabs.expandTabs = true;
    struct TabCase {
        std::wstring text;
        LayoutOptions options;
        std::size_t line;
        std::size_t index; // of the character after the tab, in the line
        int x;
    };
    LayoutOptions wrapTabs = Wrap(60);
    wrapTabs.expandTabs = true;
    const TabCase cases[] = {
        {L"a\tb", tabs, 0, 2, 40},
        {L"abcd\tb", tabs, 0, 5, 80}, // a tab at a stop goes on to the next one
        {L"\t\tb", tabs, 0, 2, 80},
        {L"ab\ncd\te", tabs, 1, 3, 40},      // measured from its own line
        {L"xxxx yy\tc", wrapTabs, 1, 3, 40}, // and from a wrapped line's start
    };
    for (const auto& c : cases) {
        const auto lines = LayoutText(c.text, c.options, metrics);
        ASSERT_GT(lines.size(), c.line);
        ASSERT_GT(lines[c.line].chars.size(), c.index);
        EXPECT_EQ(lines[c.line].chars[c.index].x, c.x);
    }
    // Unexpanded, a tab is just a character of the font's (here no) width.
    const auto plain = LayoutText(L"a\tb", NoWrap(LayoutOptions::kUnbounded), metrics);
    EXPECT_EQ(plain[0].chars[2].x, 10);
}

TEST(LayoutText, TabThatOverflowsWrapsLikeAnyCharacter) {
    const FixedMetrics metrics;
    LayoutOptions o = Wrap(45);
    o.expandTabs = true;
    EXPECT_EQ(Texts(LayoutText(L"ab\tcd", o, metrics)),
              (std::vector<std::wstring>{L"ab\t", L"cd"}));
}

} // namespace
} // namespace raster
