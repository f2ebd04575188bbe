#include "PaintSurface.h"

#include <climits>
#include <gtest/gtest.h>
#include <win32/Gdi.h>

namespace {

using paint_test::Surface;

constexpr COLORREF kWhite = RGB(255, 255, 255);

TEST(Edges, RaisedSunkenAndFlatRings) {
    struct Case {
        UINT edge, flags;
        int outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
    };
    for (const Case& c : {Case{EDGE_RAISED, BF_RECT, COLOR_3DLIGHT, COLOR_3DDKSHADOW,
                               COLOR_3DHIGHLIGHT, COLOR_3DSHADOW},
                          Case{EDGE_SUNKEN, BF_RECT, COLOR_3DSHADOW, COLOR_3DHIGHLIGHT,
                               COLOR_3DDKSHADOW, COLOR_3DLIGHT},
                          Case{EDGE_SUNKEN, BF_RECT | BF_FLAT, COLOR_3DSHADOW, COLOR_3DSHADOW,
                               COLOR_3DFACE, COLOR_3DFACE}}) {
        SCOPED_TRACE(testing::Message() << c.edge << " " << c.flags);
        Surface s(20, 12);
        RECT r{2, 1, 18, 11};
        ASSERT_TRUE(DrawEdge(s.Dc(), &r, c.edge, c.flags));
        EXPECT_EQ(s.At(2, 1), GetSysColor(c.outerTopLeft));
        EXPECT_EQ(s.At(17, 1), GetSysColor(c.outerBottomRight)); // the right side owns its corner
        EXPECT_EQ(s.At(17, 10), GetSysColor(c.outerBottomRight));
        EXPECT_EQ(s.At(3, 2), GetSysColor(c.innerTopLeft));
        EXPECT_EQ(s.At(16, 9), GetSysColor(c.innerBottomRight));
        EXPECT_EQ(s.At(4, 3), kWhite); // the middle is left alone
        EXPECT_EQ(s.InkIn(RECT{0, 0, 20, 1}, kWhite) + s.InkIn(RECT{0, 0, 2, 12}, kWhite) +
                      s.InkIn(RECT{18, 0, 20, 12}, kWhite) + s.InkIn(RECT{0, 11, 20, 12}, kWhite),
                  0);
    }
    // Only the sides asked for.
    constexpr COLORREF grey = RGB(100, 100, 100);
    Surface s(10, 10, grey);
    RECT r{0, 0, 10, 10};
    DrawEdge(s.Dc(), &r, BDR_SUNKENOUTER, BF_BOTTOM);
    EXPECT_EQ(s.InkIn(s.All(), grey), 10);
    EXPECT_EQ(s.At(0, 9), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_FALSE(DrawEdge(s.Dc(), nullptr, EDGE_RAISED, BF_RECT));
    RECT empty{5, 5, 5, 9};
    EXPECT_FALSE(DrawEdge(s.Dc(), &empty, EDGE_RAISED, BF_RECT));
    RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_TRUE(DrawEdge(s.Dc(), &huge, EDGE_RAISED, BF_RECT)); // nothing of it is visible
    EXPECT_EQ(s.InkIn(s.All(), grey), 10);
}

TEST(Lines, LineToDrawsFromThePenPositionUpToTheEnd) {
    Surface s(16, 16);
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(s.Dc(), red);
    POINT previous{};
    MoveToEx(s.Dc(), 2, 3, nullptr);
    ASSERT_TRUE(LineTo(s.Dc(), 10, 3));
    EXPECT_EQ(s.CountOf(s.All(), RGB(255, 0, 0)), 8); // 2..9: the end point is not drawn
    EXPECT_EQ(s.At(2, 3), RGB(255, 0, 0));
    EXPECT_EQ(s.At(10, 3), kWhite);
    LineTo(s.Dc(), 10, 11); // on from where the last line ended
    EXPECT_EQ(s.At(10, 3), RGB(255, 0, 0));
    EXPECT_EQ(s.At(10, 11), kWhite);
    MoveToEx(s.Dc(), 0, 0, &previous);
    EXPECT_EQ(previous.x, 10);
    EXPECT_EQ(previous.y, 11);
    LineTo(s.Dc(), 5, 5); // a diagonal has one pixel per step
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(s.At(i, i), RGB(255, 0, 0));
    EXPECT_EQ(s.At(5, 5), kWhite);

    // A null pen moves without drawing; far-away lines cost nothing and draw what is visible.
    s.Clear(kWhite);
    SelectObject(s.Dc(), GetStockObject(NULL_PEN));
    LineTo(s.Dc(), 15, 15);
    EXPECT_EQ(s.InkIn(s.All(), kWhite), 0);
    SelectObject(s.Dc(), red);
    MoveToEx(s.Dc(), INT_MIN, 4, nullptr);
    LineTo(s.Dc(), INT_MAX, 4);
    EXPECT_EQ(s.CountOf(s.All(), RGB(255, 0, 0)), 16);
    EXPECT_FALSE(LineTo(reinterpret_cast<HDC>(std::uintptr_t{0x5555}), 1, 1));
    SelectObject(s.Dc(), old);
    DeleteObject(red);
}

} // namespace
