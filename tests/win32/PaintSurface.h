#pragma once

// A memory DC over a top-down 32-bit DIB section, filled with one colour, for
// tests that check exact pixels of what the layer drew.

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>
#include <win32/Gdi.h>

namespace paint_test {

// A top-down DIB section, read directly, or a compatible bitmap (as a
// composition makes them), read with GetPixel.
enum class Kind { Dib, Compatible };

class Surface {
public:
    Surface(int width, int height, COLORREF fill = RGB(255, 255, 255), Kind kind = Kind::Dib)
        : m_width(width), m_height(height) {
        m_dc = CreateCompatibleDC(nullptr);
        if (kind == Kind::Compatible) {
            m_bitmap = CreateCompatibleBitmap(m_dc, width, height);
            m_old = SelectObject(m_dc, m_bitmap);
            Clear(fill);
            return;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<std::uint32_t*>(bits);
        m_old = SelectObject(m_dc, m_bitmap);
        Clear(fill);
    }
    ~Surface() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void Clear(COLORREF fill) {
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all{0, 0, m_width, m_height};
        SaveDC(m_dc);
        SetViewportOrgEx(m_dc, 0, 0, nullptr);
        FillRect(m_dc, &all, brush);
        RestoreDC(m_dc, -1);
        DeleteObject(brush);
    }

    // The colour at a device pixel, as a COLORREF.
    COLORREF At(int x, int y) const {
        if (!m_bits)
            return GetPixel(m_dc, x, y);
        const std::uint32_t p = m_bits[static_cast<std::size_t>(y) * m_width + x];
        return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
    }
    std::vector<COLORREF> Pixels(RECT area) const {
        std::vector<COLORREF> out;
        for (int y = std::max(0, area.top); y < std::min(m_height, area.bottom); ++y)
            for (int x = std::max(0, area.left); x < std::min(m_width, area.right); ++x)
                out.push_back(At(x, y));
        return out;
    }

    // How many pixels of `area` are not `background`.
    int InkIn(RECT area, COLORREF background) const {
        int n = 0;
        for (int y = std::max(0, area.top); y < std::min(m_height, area.bottom); ++y)
            for (int x = std::max(0, area.left); x < std::min(m_width, area.right); ++x)
                n += At(x, y) != background;
        return n;
    }
    // Pixels of exactly `colour` in `area`.
    int CountOf(RECT area, COLORREF colour) const {
        int n = 0;
        for (int y = std::max(0, area.top); y < std::min(m_height, area.bottom); ++y)
            for (int x = std::max(0, area.left); x < std::min(m_width, area.right); ++x)
                n += At(x, y) == colour;
        return n;
    }
    // Pixels within `tolerance` of `colour` in every channel: small anti-aliased
    // glyphs may have no pixel fully covered.
    int CountNear(RECT area, COLORREF colour, int tolerance = 96) const {
        auto close = [&](int a, int b) { return (a > b ? a - b : b - a) <= tolerance; };
        int n = 0;
        for (int y = std::max(0, area.top); y < std::min(m_height, area.bottom); ++y)
            for (int x = std::max(0, area.left); x < std::min(m_width, area.right); ++x) {
                const COLORREF p = At(x, y);
                n += close(GetRValue(p), GetRValue(colour)) &&
                     close(GetGValue(p), GetGValue(colour)) &&
                     close(GetBValue(p), GetBValue(colour));
            }
        return n;
    }
    int LastInkColumn(COLORREF background) const {
        for (int x = m_width - 1; x >= 0; --x)
            for (int y = 0; y < m_height; ++y)
                if (At(x, y) != background)
                    return x;
        return -1;
    }
    // The first column (or row) with a pixel other than `background`; -1 if none.
    int FirstInkColumn(COLORREF background) const {
        for (int x = 0; x < m_width; ++x)
            for (int y = 0; y < m_height; ++y)
                if (At(x, y) != background)
                    return x;
        return -1;
    }
    int FirstInkRow(COLORREF background) const {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) != background)
                    return y;
        return -1;
    }
    RECT All() const { return RECT{0, 0, m_width, m_height}; }

private:
    int m_width;
    int m_height;
    HBITMAP m_bitmap = nullptr;
    std::uint32_t* m_bits = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

} // namespace paint_test
