#include "GdiplusFixtures.h"

#include <gdiplus/Diagnostics.h>
#include <memory>
#include <win32/Screen.h>

namespace {

using namespace Gdiplus;
using gdiplus_test::BlockOf;
using gdiplus_test::Dib;
using gdiplus_test::Png;

using GraphicsTest = gdiplus_test::Started;

// An image decoded from a PNG of straight ARGB pixels; the block goes with
// the stream.
std::unique_ptr<Image> ImageOf(int width, int height, const std::vector<std::uint32_t>& pixels) {
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(BlockOf(Png(width, height, pixels)), TRUE, &stream);
    auto image = std::make_unique<Image>(stream);
    stream->Release();
    return image;
}

TEST_F(GraphicsTest, ComposesSourceOverInPremultipliedPixels) {
    auto half = ImageOf(1, 1, {0x80FF0000}); // straight: half-transparent red
    Dib picture(2, 1);
    picture.At(1, 0) = 0xFF0000FF; // opaque blue
    Graphics graphics(picture.Dc());
    ASSERT_EQ(graphics.DrawImage(half.get(), 0, 0), Ok);
    ASSERT_EQ(graphics.DrawImage(half.get(), 1, 0), Ok);
    EXPECT_EQ(picture.At(0, 0), 0x80800000u); // over transparent: the premultiplied source
    EXPECT_EQ(picture.At(1, 0), 0xFF80007Fu); // red 128 + blue 255 × 127 / 255
}

TEST_F(GraphicsTest, HonoursTheOriginAndClipOfTheDc) {
    auto white = ImageOf(3, 3, std::vector<std::uint32_t>(9, 0xFFFFFFFF));
    Dib picture(6, 6);
    SetViewportOrgEx(picture.Dc(), 2, 1, nullptr);
    IntersectClipRect(picture.Dc(), 0, 0, 2, 10); // device columns 2 and 3
    Graphics graphics(picture.Dc());
    ASSERT_EQ(graphics.DrawImage(white.get(), 0, 0), Ok);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(picture.At(x, y), (x == 2 || x == 3) && y >= 1 && y <= 3 ? 0xFFFFFFFFu : 0u)
                << x << "," << y;
}

TEST_F(GraphicsTest, DrawsAtTheGivenSizeExactlyOrScaled) {
    // 2 × 2 straight pixels; the translucent one shows the premultiplication.
    const std::vector<std::uint32_t> source = {0xFF112233, 0x80FF0000, 0xFF00FF00, 0xFF0000FF};
    const std::uint32_t a = 0xFF112233, b = 0x80800000, c = 0xFF00FF00, d = 0xFF0000FF;
    auto image = ImageOf(2, 2, source);
    struct Case {
        const char* name;
        int x;
        int width;
        int height;
        std::vector<std::uint32_t> expected; // the 4 × 4 picture, top row first
    };
    const Case cases[] = {
        {"same size", 0, 2, 2, {a, b, 0, 0, c, d, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"twice", 0, 4, 4, {a, a, b, b, a, a, b, b, c, c, d, d, c, c, d, d}},
        // One row samples the source at mid-height: its lower row.
        {"wide, one row", 0, 4, 1, {c, c, d, d, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"halved", 0, 1, 1, {d, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // A negative width reaches leftwards from x and mirrors.
        {"mirrored", 2, -2, 2, {b, a, 0, 0, d, c, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& k : cases) {
        Dib picture(4, 4);
        Graphics graphics(picture.Dc());
        ASSERT_EQ(graphics.DrawImage(image.get(), k.x, 0, k.width, k.height), Ok) << k.name;
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(picture.At(i % 4, i / 4), k.expected[i]) << k.name << " pixel " << i;
    }
}

TEST_F(GraphicsTest, ABitmapFromAGdiBitmapIsOpaque) {
    Dib snapshot(2, 2);
    snapshot.At(0, 0) = 0x00FF0000; // a GDI bitmap's fourth byte says nothing
    snapshot.At(1, 0) = 0x7F00FF00;
    snapshot.At(0, 1) = 0x000000FF;
    snapshot.At(1, 1) = 0xFF123456;
    std::unique_ptr<Bitmap> bitmap(Bitmap::FromHBITMAP(snapshot.Bitmap(), nullptr));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetLastStatus(), Ok);
    const ARGB expected[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456};
    for (int i = 0; i < 4; ++i) {
        Color colour;
        ASSERT_EQ(bitmap->GetPixel(i % 2, i / 2, &colour), Ok);
        EXPECT_EQ(colour.GetValue(), expected[i]) << i;
    }
    Dib picture(2, 2);
    Graphics graphics(picture.Dc());
    ASSERT_EQ(graphics.DrawImage(bitmap.get(), 0, 0), Ok);
    EXPECT_EQ(picture.At(1, 0), 0xFF00FF00u);

    for (HBITMAP bad : {HBITMAP{}, reinterpret_cast<HBITMAP>(0x10)}) {
        std::unique_ptr<Bitmap> none(Bitmap::FromHBITMAP(bad, nullptr));
        ASSERT_NE(none, nullptr);
        EXPECT_EQ(none->GetWidth(), 0u);
        EXPECT_EQ(none->GetLastStatus(), InvalidParameter);
    }
}

TEST_F(GraphicsTest, TheCaretPenDrawsOneColumnWithBothEnds) {
    Dib picture(6, 20);
    Graphics graphics(picture.Dc());
    EXPECT_EQ(graphics.SetSmoothingMode(SmoothingModeNone), Ok);
    EXPECT_EQ(graphics.GetSmoothingMode(), SmoothingModeNone);
    Pen caret(Color(0xFF000000), 1.0f, UnitWorld);
    picture.Fill(0x00000000);
    ASSERT_EQ(graphics.DrawLine(&caret, 2, 3, 2, 3 + 13), Ok);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(picture.At(x, y), x == 2 && y >= 3 && y <= 16 ? 0xFF000000u : 0u)
                << x << "," << y;

    Pen wide(Color(255, 0, 0, 0), 3.0f);
    Pen negative(Color(255, 0, 0, 0), -1.0f);
    EXPECT_EQ(graphics.DrawLine(&wide, 0, 0, 5, 0), NotImplemented);
    EXPECT_EQ(graphics.DrawLine(&negative, 0, 0, 5, 0), InvalidParameter);
    EXPECT_EQ(graphics.DrawLine(nullptr, 0, 0, 5, 0), InvalidParameter);
    EXPECT_EQ(graphics.SetSmoothingMode(SmoothingModeInvalid), InvalidParameter);
    EXPECT_EQ(graphics.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(graphics.GetLastStatus(), Ok);
    EXPECT_EQ(picture.At(0, 0), 0u);
}

TEST_F(GraphicsTest, DcsWithoutAPictureGiveAGraphicsThatCannotDraw) {
    auto white = ImageOf(1, 1, {0xFFFFFFFF});
    HDC bare = CreateCompatibleDC(nullptr); // holds only its default bitmap
    HDC deleted = CreateCompatibleDC(nullptr);
    DeleteDC(deleted);
    for (HDC hdc : {HDC{}, bare, deleted}) {
        Graphics graphics(hdc);
        EXPECT_EQ(graphics.GetLastStatus(), InvalidParameter);
        EXPECT_EQ(graphics.DrawImage(white.get(), 0, 0), InvalidParameter);
    }
    EXPECT_EQ(GetPixel(bare, 0, 0), RGB(0, 0, 0)) << "the default bitmap is untouched";
    DeleteDC(bare);
}

TEST_F(GraphicsTest, AGraphicsWhoseBitmapOrDcIsGoneFailsWithoutTouchingIt) {
    auto white = ImageOf(1, 1, {0xFFFFFFFF});
    Pen pen(Color(0xFFFFFFFF));
    {
        // The bitmap is selected out and deleted while the Graphics lives.
        Dib picture(2, 2);
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        Graphics graphics(dc);
        SelectObject(dc, old);
        EXPECT_TRUE(DeleteObject(bitmap));
        EXPECT_EQ(graphics.DrawImage(white.get(), 0, 0), Win32Error);
        EXPECT_EQ(graphics.DrawLine(&pen, 0, 0, 1, 0), Win32Error);
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << "the default bitmap is untouched";
        DeleteDC(dc);
    }
    {
        Dib picture(2, 2);
        Graphics graphics(picture.Dc());
        picture.DeleteDcNow();
        EXPECT_EQ(graphics.DrawImage(white.get(), 0, 0), Win32Error);
        EXPECT_EQ(picture.At(0, 0), 0u);
    }
}

// One composition as the skinned dialog makes it, a thousand times.
TEST_F(GraphicsTest, RepeatedCompositionsFreeEverything) {
    auto skin = ImageOf(4, 4, std::vector<std::uint32_t>(16, 0x80FFFFFF));
    const std::size_t gdiBefore = win32::GdiObjectCount();
    const std::size_t liveBefore = gdiplus::LiveObjectCount();
    const std::size_t blocksBefore = win32::GlobalBlockCount();
    for (int i = 0; i < 1000; ++i) {
        auto picture = std::make_unique<Dib>(8, 20);
        auto graphics = std::make_unique<Graphics>(picture->Dc());
        graphics->SetSmoothingMode(SmoothingModeNone);
        graphics->DrawImage(skin.get(), 0, 0, 4, 4);

        HDC snapshotDc = CreateCompatibleDC(nullptr);
        HBITMAP snapshot = CreateCompatibleBitmap(nullptr, 3, 3);
        HGDIOBJ old = SelectObject(snapshotDc, snapshot);
        Bitmap* copy = Bitmap::FromHBITMAP(snapshot, nullptr);
        EXPECT_EQ(graphics->DrawImage(copy, 1, 1), Ok);
        SelectObject(snapshotDc, old);
        DeleteDC(snapshotDc);
        DeleteObject(snapshot);
        delete copy;

        auto caret = std::make_unique<Pen>(Color(0xFF000000), 1.0f, UnitWorld);
        EXPECT_EQ(graphics->DrawLine(caret.get(), 5, 2, 5, 15), Ok);
        caret.reset();
        graphics.reset();
        picture.reset();
    }
    EXPECT_EQ(win32::GdiObjectCount(), gdiBefore);
    EXPECT_EQ(gdiplus::LiveObjectCount(), liveBefore);
    EXPECT_EQ(win32::GlobalBlockCount(), blocksBefore);
}

} // namespace
