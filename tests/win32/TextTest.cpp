#include "FontCache.h"
#include "Internal.h"
#include "PaintSurface.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <screen/HeadlessScreen.h>
#include <string>
#include <win32/Gdi.h>
#include <win32/Screen.h>
#include <win32/User.h>

namespace {

using paint_test::Surface;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(200, 0, 0);

LOGFONTW Logical(LONG height, LONG weight = 0, bool italic = false,
                 const wchar_t* face = L"MS Shell Dlg") {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic ? 1 : 0;
    std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

// A font selected into a surface for the test's life.
class WithFont {
public:
    WithFont(HDC dc, const LOGFONTW& lf) : m_dc(dc), m_font(CreateFontIndirectW(&lf)) {
        m_old = SelectObject(dc, m_font);
    }
    ~WithFont() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_font);
    }
    WithFont(const WithFont&) = delete;
    WithFont& operator=(const WithFont&) = delete;
    HFONT Font() const { return m_font; }
    TEXTMETRICW Metrics() const {
        TEXTMETRICW tm{};
        EXPECT_TRUE(GetTextMetricsW(m_dc, &tm));
        return tm;
    }
    int Width(const wchar_t* text) const {
        SIZE size{};
        EXPECT_TRUE(GetTextExtentPoint32W(m_dc, text, static_cast<int>(std::wcslen(text)), &size));
        return size.cx;
    }

private:
    HDC m_dc;
    HFONT m_font;
    HGDIOBJ m_old;
};

void Draw(HDC dc, const wchar_t* text, RECT rect, UINT format) {
    SetTextColor(dc, kInk);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, -1, &rect, format);
}

TEST(Fonts, MetricsFollowTheLogicalFont) {
    Surface s(8, 8);
    struct Case {
        LONG height, weight;
        bool italic;
        int expectHeight; // 0: the em size plus the font's leading
        LONG expectWeight;
    };
    for (const Case& c : {Case{-12, 0, false, 0, FW_NORMAL}, Case{-12, FW_BOLD, false, 0, FW_BOLD},
                          Case{-24, 0, true, 0, FW_NORMAL}, Case{20, 0, false, 20, FW_NORMAL}}) {
        SCOPED_TRACE(c.height);
        WithFont f(s.Dc(), Logical(c.height, c.weight, c.italic));
        const TEXTMETRICW tm = f.Metrics();
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        if (c.expectHeight)
            EXPECT_NEAR(tm.tmHeight, c.expectHeight, 1); // a cell height
        else
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -c.height); // an em size
        EXPECT_EQ(tm.tmWeight, c.expectWeight);
        EXPECT_EQ(tm.tmItalic, c.italic ? 1 : 0);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
        SIZE size{};
        ASSERT_TRUE(GetTextExtentPoint32W(s.Dc(), L"AB温", 3, &size));
        EXPECT_EQ(size.cx, f.Width(L"A") + f.Width(L"B") + f.Width(L"温"));
        EXPECT_EQ(size.cy, tm.tmHeight);
    }
    // Bold letters are wider than normal ones of the same size.
    WithFont normal(s.Dc(), Logical(-24));
    const int normalWidth = normal.Width(L"Temperature");
    WithFont bold(s.Dc(), Logical(-24, FW_BOLD));
    EXPECT_GT(bold.Width(L"Temperature"), normalWidth);
}

TEST(Fonts, EqualRequestsShareOneFontAndStockFontsResolve) {
    const LOGFONTW lf = Logical(-13);
    HFONT a = CreateFontIndirectW(&lf);
    HFONT b =
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg");
    auto fa = win32::detail::FontOf(a);
    ASSERT_NE(fa, nullptr);
    EXPECT_EQ(fa, win32::detail::FontOf(b));
    EXPECT_TRUE(fa->HasGlyph(L'℃'));
    EXPECT_TRUE(fa->HasGlyph(L'温'));
    DeleteObject(a);
    DeleteObject(b);
    EXPECT_EQ(win32::detail::FontOf(a), nullptr); // a deleted handle is no font
    for (int stock : {SYSTEM_FONT, DEFAULT_GUI_FONT})
        EXPECT_NE(win32::detail::FontOf(static_cast<HFONT>(GetStockObject(stock))), nullptr);
}

TEST(Fonts, BadInputFailsCleanly) {
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
    Surface s(16, 16);
    // Heights beyond any font, a face nobody has: still a usable font.
    for (LONG height : {INT_MIN, 0}) {
        LOGFONTW lf = Logical(height, -5, false, L"No Such Face At All");
        WithFont f(s.Dc(), lf);
        TEXTMETRICW tm{};
        EXPECT_TRUE(GetTextMetricsW(s.Dc(), &tm)) << height;
        EXPECT_GT(tm.tmHeight, 0);
        EXPECT_EQ(tm.tmWeight, FW_NORMAL);
    }
    HDC unknown = reinterpret_cast<HDC>(std::uintptr_t{0x7777});
    TEXTMETRICW tm{};
    SIZE size{};
    RECT r{0, 0, 10, 10};
    EXPECT_FALSE(GetTextMetricsW(unknown, &tm));
    EXPECT_FALSE(GetTextMetricsW(s.Dc(), nullptr));
    EXPECT_FALSE(GetTextExtentPoint32W(unknown, L"a", 1, &size));
    EXPECT_FALSE(GetTextExtentPoint32W(s.Dc(), L"a", -1, &size));
    EXPECT_FALSE(GetTextExtentPoint32W(s.Dc(), nullptr, 3, &size));
    EXPECT_FALSE(TextOutW(unknown, 0, 0, L"a", 1));
    EXPECT_FALSE(TextOutW(s.Dc(), 0, 0, L"a", -4));
    EXPECT_FALSE(ExtTextOutW(s.Dc(), 0, 0, 0, nullptr, L"a", static_cast<UINT>(-1), nullptr));
    EXPECT_EQ(DrawTextW(unknown, L"a", 1, &r, 0), 0);
    EXPECT_EQ(DrawTextW(s.Dc(), L"a", 1, nullptr, 0), 0);
    EXPECT_EQ(DrawTextW(s.Dc(), nullptr, 4, &r, 0), 0);
    EXPECT_EQ(DrawTextW(s.Dc(), L"a", -2, &r, 0), 0);
    EXPECT_EQ(s.InkIn(s.All(), kWhite), 0);

    // A font deleted while selected falls back to the system font.
    const LOGFONTW lf = Logical(-30);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(s.Dc(), font);
    DeleteObject(font);
    EXPECT_TRUE(GetTextMetricsW(s.Dc(), &tm));
    SelectObject(s.Dc(), old);
    TEXTMETRICW system{};
    GetTextMetricsW(s.Dc(), &system);
    EXPECT_EQ(tm.tmHeight, system.tmHeight);

    // Huge rectangles and coordinates draw what is visible and nothing else.
    RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_GT(
        DrawTextW(s.Dc(), L"wide\tand\nhigh", -1, &huge, DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS),
        0);
    RECT calc = huge;
    DrawTextW(s.Dc(), L"x", -1, &calc, DT_CALCRECT);
    EXPECT_TRUE(TextOutW(s.Dc(), INT_MAX, INT_MIN, L"far", 3));
    EXPECT_TRUE(ExtTextOutW(s.Dc(), INT_MIN, 0, ETO_OPAQUE, &huge, L"x", 1, nullptr));
}

TEST(Text, TextOutHonoursTheBackgroundModeAndExtTextOutItsRectangle) {
    Surface s(80, 40);
    WithFont f(s.Dc(), Logical(-16));
    const TEXTMETRICW tm = f.Metrics();
    const int width = f.Width(L"Hi");
    const COLORREF back = RGB(0, 0, 255);
    SetTextColor(s.Dc(), kInk);
    SetBkColor(s.Dc(), back);

    SetBkMode(s.Dc(), OPAQUE);
    ASSERT_TRUE(TextOutW(s.Dc(), 10, 5, L"Hi", 2));
    const RECT cell{10, 5, 10 + width, 5 + tm.tmHeight};
    EXPECT_GT(s.CountOf(cell, kInk), 0);
    EXPECT_EQ(s.CountOf(cell, kWhite), 0); // the whole cell is ink or background
    EXPECT_EQ(s.InkIn(RECT{0, 0, 80, 5}, kWhite) + s.InkIn(RECT{0, 0, 10, 40}, kWhite) +
                  s.InkIn(RECT{10 + width, 0, 80, 40}, kWhite) +
                  s.InkIn(RECT{0, 5 + tm.tmHeight, 80, 40}, kWhite),
              0);

    s.Clear(kWhite);
    SetBkMode(s.Dc(), TRANSPARENT);
    TextOutW(s.Dc(), 10, 5, L"Hi", 2);
    EXPECT_GT(s.CountOf(cell, kInk), 0);
    EXPECT_EQ(s.CountOf(s.All(), back), 0);

    // ETO_OPAQUE fills its rectangle whatever the mode; ETO_CLIPPED cuts the text to it.
    s.Clear(kWhite);
    const RECT box{0, 0, 14, 40};
    ExtTextOutW(s.Dc(), 10, 5, ETO_OPAQUE | ETO_CLIPPED, &box, L"Hi", 2, nullptr);
    EXPECT_EQ(s.InkIn(RECT{14, 0, 80, 40}, kWhite), 0);
    EXPECT_EQ(s.CountOf(RECT{0, 0, 10, 40}, back), 10 * 40);
    // Explicit advances place each character.
    s.Clear(kWhite);
    const INT dx[] = {30, 0};
    ExtTextOutW(s.Dc(), 0, 0, 0, nullptr, L"ll", 2, dx);
    Surface one(80, 40);
    {
        WithFont g(one.Dc(), Logical(-16));
        SetTextColor(one.Dc(), kInk);
        SetBkMode(one.Dc(), TRANSPARENT);
        TextOutW(one.Dc(), 30, 0, L"l", 1);
    }
    EXPECT_EQ(s.FirstInkColumn(kWhite) + 30, one.FirstInkColumn(kWhite));
}

TEST(Text, NothingIsDrawnOutsideTheClipAndTheOriginMovesEverything) {
    const wchar_t* text = L"Temperature 温度 45℃\tand\tmore text that runs long";
    const UINT format = DT_WORDBREAK | DT_EXPANDTABS;

    Surface plain(200, 120);
    WithFont f1(plain.Dc(), Logical(-14));
    Draw(plain.Dc(), text, RECT{25, 15, 425, 215}, format);

    Surface moved(200, 120);
    WithFont f2(moved.Dc(), Logical(-14));
    SetViewportOrgEx(moved.Dc(), 20, 10, nullptr);
    Draw(moved.Dc(), text, RECT{5, 5, 405, 205}, format);
    EXPECT_EQ(moved.Pixels(moved.All()), plain.Pixels(plain.All()));

    // The clip is taken in the coordinates of its time; the text stays inside it.
    Surface clipped(200, 120);
    WithFont f3(clipped.Dc(), Logical(-14));
    SetViewportOrgEx(clipped.Dc(), 20, 10, nullptr);
    IntersectClipRect(clipped.Dc(), 10, 3, 60, 20); // device 30..80 × 13..30
    Draw(clipped.Dc(), text, RECT{5, 5, 405, 205}, format | DT_NOCLIP);
    SetTextColor(clipped.Dc(), kInk);
    TextOutW(clipped.Dc(), -20, -10, L"WWWWWWWWWWWWWWWWWWWW", 20);
    EXPECT_GT(clipped.InkIn(RECT{30, 13, 80, 30}, kWhite), 0);
    EXPECT_EQ(clipped.InkIn(clipped.All(), kWhite), clipped.InkIn(RECT{30, 13, 80, 30}, kWhite));
}

TEST(DrawText, CalcRectMeasuresLinesAndWidestLine) {
    Surface s(8, 8);
    WithFont f(s.Dc(), Logical(-12));
    const int h = f.Metrics().tmHeight;
    struct Case {
        const wchar_t* text;
        UINT format;
        int lines;
        const wchar_t* widest;
    };
    for (const Case& c :
         {Case{L"one", 0, 1, L"one"}, Case{L"one\ntwo lines\nx", 0, 3, L"two lines"},
          Case{L"a\r\nb\n", 0, 2, L"a"}, Case{L"a\nb", DT_SINGLELINE, 1, L"a\nb"},
          Case{L"&Save &&go", 0, 1, L"Save &go"},
          Case{L"&Save &&go", DT_NOPREFIX, 1, L"&Save &&go"}, Case{L"", 0, 0, L""}}) {
        SCOPED_TRACE(testing::Message() << c.lines << " lines, format " << c.format);
        RECT r{10, 20, 11, 21};
        EXPECT_EQ(DrawTextW(s.Dc(), c.text, -1, &r, c.format | DT_CALCRECT), c.lines * h);
        EXPECT_EQ(r.bottom, 20 + c.lines * h);
        EXPECT_EQ(r.left, 10);
        EXPECT_EQ(r.right, 10 + f.Width(c.widest));
    }
    // Word wrapping within the width: every line fits, and the count grows.
    const int two = f.Width(L"word word");
    RECT narrow{0, 0, two + 2, 0};
    const int height =
        DrawTextW(s.Dc(), L"word word word word word", -1, &narrow, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(height, 3 * h); // the spaces at the breaks are dropped
    EXPECT_EQ(narrow.right, two);
    // A word longer than the line is broken inside.
    RECT tiny{0, 0, f.Width(L"abc"), 0};
    EXPECT_GT(DrawTextW(s.Dc(), L"abcdefghij", -1, &tiny, DT_WORDBREAK | DT_CALCRECT), 2 * h);
}

TEST(DrawText, AlignmentTabsAndVerticalPlacement) {
    const RECT box{0, 0, 120, 40};
    enum Edge { FirstColumn, LastColumn, FirstRow };
    auto firstInk = [&](const wchar_t* text, UINT format, Edge edge = FirstColumn) {
        Surface s(120, 40);
        WithFont f(s.Dc(), Logical(-14));
        Draw(s.Dc(), text, box, format);
        return edge == FirstColumn  ? s.FirstInkColumn(kWhite)
               : edge == LastColumn ? s.LastInkColumn(kWhite)
                                    : s.FirstInkRow(kWhite);
    };
    Surface m(8, 8);
    WithFont f(m.Dc(), Logical(-14));
    const TEXTMETRICW tm = f.Metrics();
    const int w = f.Width(L"X");
    const int left = firstInk(L"X", DT_LEFT);
    ASSERT_GE(left, 0);
    EXPECT_EQ(firstInk(L"X", DT_RIGHT), left + 120 - w);
    EXPECT_EQ(firstInk(L"X", DT_CENTER), left + (120 - w) / 2);
    // A tab reaches the next stop, eight average characters on, wherever it starts.
    const int stop = 8 * tm.tmAveCharWidth;
    EXPECT_EQ(firstInk(L"\tX", DT_EXPANDTABS), left + stop);
    EXPECT_EQ(firstInk(L"ii\tX", DT_EXPANDTABS, LastColumn),
              firstInk(L"\tX", DT_EXPANDTABS, LastColumn));
    EXPECT_EQ(firstInk(L"\tX", 0), left); // not expanded: a tab takes no room

    const int top = firstInk(L"X", DT_SINGLELINE, FirstRow);
    EXPECT_EQ(firstInk(L"X", DT_SINGLELINE | DT_VCENTER, FirstRow), top + (40 - tm.tmHeight) / 2);
    EXPECT_EQ(firstInk(L"X", DT_SINGLELINE | DT_BOTTOM, FirstRow), top + 40 - tm.tmHeight);
    RECT r = box;
    EXPECT_EQ(DrawTextW(m.Dc(), L"X", 1, &r, DT_SINGLELINE | DT_BOTTOM), 40);

    // Without DT_NOCLIP the text stays in its rectangle.
    Surface s(120, 40);
    WithFont g(s.Dc(), Logical(-14));
    Draw(s.Dc(), L"WWWWWWWWWWWWWWWWWWWWWWWWWW", RECT{10, 10, 50, 20}, DT_LEFT);
    EXPECT_GT(s.InkIn(RECT{10, 10, 50, 20}, kWhite), 0);
    EXPECT_EQ(s.InkIn(s.All(), kWhite), s.InkIn(RECT{10, 10, 50, 20}, kWhite));
}

TEST(Fonts, ManyRoundsLeaveNoGdiObjectBehind) {
    Surface s(64, 32);
    const std::size_t before = win32::GdiObjectCount();
    for (int i = 0; i < 1000; ++i) {
        const LOGFONTW lf = Logical(-(10 + i % 7), i % 2 ? FW_BOLD : 0);
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ old = SelectObject(s.Dc(), font);
        RECT r{0, 0, 64, 32};
        DrawTextW(s.Dc(), L"45℃ 温度", -1, &r, DT_WORDBREAK);
        SelectObject(s.Dc(), old);
        DeleteObject(font);
    }
    EXPECT_EQ(win32::GdiObjectCount(), before);
}

TEST(DialogUnits, ComeFromTheShellFont) {
    using win32::detail::DialogFont;
    const SIZE shell = win32::detail::DialogBaseUnits(DialogFont{L"MS Shell Dlg", 9, 0, false, 1});
    const SIZE fallback = win32::detail::DialogBaseUnits(DialogFont{});
    EXPECT_EQ(shell.cx, fallback.cx);
    EXPECT_EQ(shell.cy, fallback.cy);
    const LONG units = GetDialogBaseUnits();
    EXPECT_EQ(LOWORD(static_cast<DWORD>(units)), shell.cx);
    EXPECT_EQ(HIWORD(static_cast<DWORD>(units)), shell.cy);
    // About 1.5 pixels per horizontal unit: 325 units make close to 488 pixels.
    EXPECT_NEAR(325.0 * shell.cx / 4, 488, 40);

    // The horizontal unit is the letters' average width, the vertical one the font's height.
    HFONT font = win32::detail::CreateDialogFont(DialogFont{L"MS Shell Dlg", 9, 0, false, 1});
    Surface s(8, 8);
    HGDIOBJ old = SelectObject(s.Dc(), font);
    const wchar_t* letters = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(s.Dc(), letters, 52, &size);
    TEXTMETRICW tm{};
    GetTextMetricsW(s.Dc(), &tm);
    EXPECT_EQ(shell.cx, (size.cx + 26) / 52);
    EXPECT_EQ(shell.cy, tm.tmHeight);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 12); // 9 points at 96 dpi
    SelectObject(s.Dc(), old);
    DeleteObject(font);
    // A bigger dialog font makes bigger units.
    const SIZE big = win32::detail::DialogBaseUnits(DialogFont{L"MS Shell Dlg", 18, 0, false, 1});
    EXPECT_GT(big.cx, shell.cx);
    EXPECT_GT(big.cy, shell.cy);
}

} // namespace
