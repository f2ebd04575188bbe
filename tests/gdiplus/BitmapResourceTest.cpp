#include <cstddef>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>
#include <win32/Bitmaps.h>
#include <win32/Gdi.h>
#include <win32/Kernel.h>
#include <win32/ResourceTable.h>
#include <win32/Screen.h>

namespace {

// The four corners of a 2 × 2 bitmap, top row first.
const COLORREF kCorners[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(10, 20, 30)};

// A resource as a BMP file holds it after its file header.
std::vector<BYTE> BitmapResource(int bits, bool bottomUp, DWORD colourTableEntries = 0) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 2;
    h.biHeight = bottomUp ? 2 : -2;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biClrUsed = colourTableEntries;
    const int stride = ((2 * bits + 31) / 32) * 4;
    std::vector<BYTE> data(sizeof h + colourTableEntries * 4 + stride * 2, 0xEE);
    std::memcpy(data.data(), &h, sizeof h);
    BYTE* pixels = data.data() + sizeof h + colourTableEntries * 4;
    for (int y = 0; y < 2; ++y) {
        BYTE* row = pixels + stride * (bottomUp ? 1 - y : y);
        for (int x = 0; x < 2; ++x) {
            const COLORREF c = kCorners[y * 2 + x];
            BYTE* p = row + x * (bits / 8);
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
            if (bits == 32)
                p[3] = 0; // what a BMP's fourth byte usually says
        }
    }
    return data;
}

struct Case {
    WORD id;
    int bits;
    bool bottomUp;
    DWORD colourTable;
};
const Case kCases[] = {
    {1, 24, true, 0}, {2, 24, false, 0}, {3, 32, true, 0}, {4, 32, false, 0}, {5, 24, true, 2}};

HMODULE Module() {
    static const HMODULE module = [] {
        static std::vector<std::vector<BYTE>> data;
        static std::vector<win32::ResourceEntry> entries;
        for (const Case& c : kCases)
            data.push_back(BitmapResource(c.bits, c.bottomUp, c.colourTable));
        data.push_back(BitmapResource(24, true));
        data.back().resize(data.back().size() - 1); // truncated pixels
        data.push_back(BitmapResource(24, true));
        data.back()[offsetof(BITMAPINFOHEADER, biBitCount)] = 16; // an unsupported depth
        for (std::size_t i = 0; i < data.size(); ++i)
            entries.push_back({RT_BITMAP, static_cast<WORD>(i + 1), 0, data[i].data(),
                               static_cast<DWORD>(data[i].size())});
        auto* handle = reinterpret_cast<HMODULE>(0x5150);
        win32::RegisterResources(handle, entries.data(), entries.size());
        return handle;
    }();
    return module;
}

TEST(LoadBitmap, Reads24And32BitsBottomUpAndTopDown) {
    const std::size_t before = win32::GdiObjectCount();
    for (const Case& c : kCases) {
        HBITMAP bitmap = LoadBitmapW(Module(), MAKEINTRESOURCEW(c.id));
        ASSERT_NE(bitmap, nullptr) << c.id;
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, 2);
        EXPECT_EQ(info.bmHeight, 2);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(GetPixel(dc, i % 2, i / 2), kCorners[i]) << "case " << c.id << " pixel " << i;
        SelectObject(dc, old);
        DeleteDC(dc);
        EXPECT_TRUE(DeleteObject(bitmap));
    }
    EXPECT_EQ(win32::GdiObjectCount(), before);
}

TEST(LoadBitmap, GivesNullForWhatItCannotLoad) {
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(1)), nullptr);  // no predefined bitmaps
    EXPECT_EQ(LoadBitmapW(Module(), MAKEINTRESOURCEW(6)), nullptr); // truncated
    EXPECT_EQ(LoadBitmapW(Module(), MAKEINTRESOURCEW(7)), nullptr); // 16 bits
    EXPECT_EQ(LoadBitmapW(Module(), MAKEINTRESOURCEW(99)), nullptr);
}

} // namespace
