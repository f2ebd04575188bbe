#pragma once

#include <cstdint>
#include <cstring>
#include <gdiplus/Gdiplus.h>
#include <gtest/gtest.h>
#include <raster/Bitmap.h>
#include <raster/Png.h>
#include <vector>
#include <win32/Com.h>
#include <win32/Gdi.h>
#include <win32/GlobalMemory.h>

namespace gdiplus_test {

// Every test but those about start-up runs inside a started GDI+.
class Started : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

// A zeroed 32-bit bottom-up DIB section selected into a memory DC, as the
// composition makes its picture; pixels are premultiplied BGRA.
class Dib {
public:
    Dib(int width, int height) : m_width(width), m_height(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<std::uint32_t*>(bits);
        m_dc = CreateCompatibleDC(nullptr);
        m_old = SelectObject(m_dc, m_bitmap);
    }
    ~Dib() {
        if (m_dc) {
            SelectObject(m_dc, m_old);
            DeleteDC(m_dc);
        }
        DeleteObject(m_bitmap);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    // Pixel (x, y) counted from the top, as 0xAARRGGBB.
    std::uint32_t& At(int x, int y) { return m_bits[(m_height - 1 - y) * m_width + x]; }
    void Fill(std::uint32_t pixel) { std::fill(m_bits, m_bits + m_width * m_height, pixel); }
    // Deselects and deletes the DC early; the bitmap stays until destruction.
    void DeleteDcNow() {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
        m_dc = nullptr;
    }

private:
    int m_width;
    int m_height;
    HBITMAP m_bitmap = nullptr;
    std::uint32_t* m_bits = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

// A straight-ARGB PNG of the given pixels, top row first.
inline std::vector<std::uint8_t> Png(int width, int height,
                                     const std::vector<std::uint32_t>& pixels) {
    auto image = *raster::Bitmap::Create(width, height);
    std::memcpy(image.Data(), pixels.data(), pixels.size() * sizeof(std::uint32_t));
    return *raster::EncodePng(image.View(), raster::Alpha::Straight);
}

// A fixed block holding `bytes`, as the skin loader makes one.
inline HGLOBAL BlockOf(const std::vector<std::uint8_t>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes.size());
    if (!bytes.empty())
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    return block;
}

} // namespace gdiplus_test
