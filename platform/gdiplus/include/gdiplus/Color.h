#pragma once

// A colour as straight (not premultiplied) 0xAARRGGBB.

#include <gdiplus/Types.h>

namespace Gdiplus {

class Color {
public:
    static constexpr int AlphaShift = 24;
    static constexpr int RedShift = 16;
    static constexpr int GreenShift = 8;
    static constexpr int BlueShift = 0;

    constexpr Color() = default; // opaque black
    constexpr Color(BYTE r, BYTE g, BYTE b) : m_argb(MakeARGB(255, r, g, b)) {}
    constexpr Color(BYTE a, BYTE r, BYTE g, BYTE b) : m_argb(MakeARGB(a, r, g, b)) {}
    constexpr Color(ARGB argb) : m_argb(argb) {} // NOLINT: a value converts like the platform's

    constexpr BYTE GetA() const { return static_cast<BYTE>(m_argb >> AlphaShift); }
    constexpr BYTE GetR() const { return static_cast<BYTE>(m_argb >> RedShift); }
    constexpr BYTE GetG() const { return static_cast<BYTE>(m_argb >> GreenShift); }
    constexpr BYTE GetB() const { return static_cast<BYTE>(m_argb >> BlueShift); }
    constexpr ARGB GetValue() const { return m_argb; }
    constexpr void SetValue(ARGB argb) { m_argb = argb; }

    static constexpr ARGB MakeARGB(BYTE a, BYTE r, BYTE g, BYTE b) {
        return static_cast<ARGB>(a) << AlphaShift | static_cast<ARGB>(r) << RedShift |
               static_cast<ARGB>(g) << GreenShift | static_cast<ARGB>(b) << BlueShift;
    }

private:
    ARGB m_argb = 0xFF000000u;
};

} // namespace Gdiplus
