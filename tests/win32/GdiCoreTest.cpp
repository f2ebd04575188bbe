#include <cstring>
#include <gtest/gtest.h>
#include <screen/HeadlessScreen.h>
#include <win32/Gdi.h>
#include <win32/Screen.h>
#include <win32/User.h>

namespace {

BITMAPINFO Header(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

TEST(GdiCore, ABottomUpDibKeepsItsTopRowLastInMemory) {
    BITMAPINFO info = Header(4, 3);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT top{0, 0, 4, 1};
    FillRect(dc, &top, red);
    const auto* px = static_cast<const std::uint32_t*>(bits);
    EXPECT_EQ(px[2 * 4], 0xFFFF0000u); // the last row in memory is the top row
    EXPECT_EQ(px[0], 0u);
    BITMAP bm{};
    EXPECT_EQ(GetObjectW(dib, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 4);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, bits);
    EXPECT_FALSE(DeleteObject(dib)); // still selected
    EXPECT_EQ(SelectObject(dc, old), dib);
    EXPECT_TRUE(DeleteObject(dib));
    DeleteObject(red);
    DeleteDC(dc);
}

TEST(GdiCore, RepeatedWorkFreesWhatItMade) {
    const std::size_t before = win32::GdiObjectCount();
    HDC screenDc = GetDC(nullptr);
    for (int i = 0; i < 1000; ++i) {
        HDC mem = CreateCompatibleDC(screenDc);
        HBITMAP bmp = CreateCompatibleBitmap(screenDc, 16, 16);
        HGDIOBJ old = SelectObject(mem, bmp);
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        RECT r{0, 0, 16, 16};
        FillRect(mem, &r, brush);
        SelectObject(mem, old);
        DeleteObject(brush);
        DeleteObject(bmp);
        DeleteDC(mem);
    }
    ReleaseDC(nullptr, screenDc);
    EXPECT_EQ(win32::GdiObjectCount(), before);
}

TEST(GdiCore, UpdateLayeredWindowTakesThePictureAndItsSizeAtTheSamePlace) {
    screen::HeadlessScreen screen(300, 300, 0xFF000000);
    HWND w =
        CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE, L"Static", nullptr,
                        WS_POPUP | WS_VISIBLE, 30, 40, 10, 10, nullptr, nullptr, nullptr, nullptr);
    BITMAPINFO info = Header(20, 12);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < 20 * 12; ++i)
        px[i] = 0x80404040u; // half-transparent grey, premultiplied
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, dib);
    RECT r{};
    GetWindowRect(w, &r);
    POINT dst{r.left, r.top}, src{0, 0};
    SIZE size{20, 12};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, &dst, &size, mem, &src, 0, &blend, ULW_ALPHA));
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 20);
    EXPECT_EQ(r.bottom - r.top, 12);
    // Over black: the premultiplied grey itself.
    EXPECT_EQ(screen.PixelAt(35, 45), 0xFF404040u);
    blend.SourceConstantAlpha = 0;
    UpdateLayeredWindow(w, nullptr, &dst, &size, mem, &src, 0, &blend, ULW_ALPHA);
    EXPECT_EQ(screen.PixelAt(35, 45), 0xFF000000u);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    DestroyWindow(w);
}

TEST(GdiCore, AWindowWithoutASurfaceAndItsChildrenPaintNothingAnywhere) {
    screen::HeadlessScreen screen(300, 300, 0xFF000000);
    HWND desk = CreateWindowExW(0, L"Static", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 300, 300,
                                nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, L"Static", nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, desk,
                                 nullptr, nullptr, nullptr);
    EXPECT_FALSE(win32::DropWindowSurface(child)); // only a top-level window has one
    ASSERT_TRUE(win32::DropWindowSurface(desk));
    SetWindowPos(desk, nullptr, 0, 0, 400, 400, SWP_NOZORDER | SWP_NOMOVE); // and it stays so
    for (HWND hwnd : {desk, child}) {
        HDC dc = GetDC(hwnd);
        ASSERT_NE(dc, nullptr); // a DC all the same, which draws nothing
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        RECT all{-1000, -1000, 1000, 1000};
        FillRect(dc, &all, white);
        DeleteObject(white);
        ReleaseDC(hwnd, dc);
    }
    win32::WindowPicture picture;
    ASSERT_TRUE(win32::GetWindowPicture(desk, picture));
    EXPECT_EQ(picture.width, 0);
    EXPECT_TRUE(picture.pixels.empty());
    EXPECT_EQ(screen.PixelAt(20, 20), 0xFF000000u);
    DestroyWindow(desk);
}

} // namespace
