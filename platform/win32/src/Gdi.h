#pragma once

// The GDI object table and what a drawing call needs of a DC: where its
// pixels are, its clip and origin, and its selected objects.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <raster/PixelBuffer.h>
#include <unordered_map>
#include <vector>
#include <win32/Gdi.h>
#include <win32/User.h>

namespace win32::detail {

enum class GdiKind { Bitmap, Brush, Pen, Font, Dc };

struct GdiObject {
    virtual ~GdiObject() = default;
    GdiKind kind;
    bool stock = false; // stock objects and system brushes are never deleted or counted
    explicit GdiObject(GdiKind k) : kind(k) {}
};

// 32 bits per pixel, B G R A in memory. A DIB section's pixels are the
// caller's memory view (bottom-up for a positive height); a compatible
// bitmap's are its own, top-down.
struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(GdiKind::Bitmap) {}
    int width = 0;
    int height = 0;
    bool dib = false;
    bool bottomUp = false;
    raster::PixelBuffer storage;
    std::uint32_t* bits = nullptr; // first row in memory
    HDC selectedInto = nullptr;

    std::uint32_t* Row(int y) {
        return bottomUp ? bits + static_cast<std::ptrdiff_t>(height - 1 - y) * width
                        : bits + static_cast<std::ptrdiff_t>(y) * width;
    }
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(GdiKind::Brush) {}
    COLORREF color = 0;
    bool hollow = false;
};

struct PenObject : GdiObject {
    PenObject() : GdiObject(GdiKind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
    bool null = false;
};

// The font back end keeps its own data behind this pointer.
struct FontObject : GdiObject {
    FontObject() : GdiObject(GdiKind::Font) {}
    LOGFONTW logFont{};
    std::shared_ptr<void> face;
};

enum class DcKind { Memory, Window, Paint };

struct DcState {
    HBITMAP bitmap = nullptr;
    HBRUSH brush = nullptr;
    HPEN pen = nullptr;
    HFONT font = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    POINT origin{0, 0};       // viewport origin: logical (0,0) in device pixels
    std::optional<RECT> clip; // in device pixels; none: the whole target
    POINT penPosition{0, 0};
};

struct DcObject : GdiObject {
    DcObject() : GdiObject(GdiKind::Dc) {}
    DcKind dcKind = DcKind::Memory;
    HWND hwnd = nullptr; // window and paint DCs
    DcState state;
    std::vector<DcState> saved;
};

class GdiTable {
public:
    std::mutex mutex;
    std::unordered_map<void*, std::shared_ptr<GdiObject>> objects;
    std::size_t counted = 0;

    void* Add(std::shared_ptr<GdiObject> object); // under the lock
    template <class T>
    T* Find(void* handle, GdiKind kind) {
        auto it = objects.find(handle);
        if (it == objects.end() || it->second->kind != kind)
            return nullptr;
        return static_cast<T*>(it->second.get());
    }

private:
    std::uintptr_t m_next = 0x2000;
};

GdiTable& Gdi();

// Where a DC draws, in device pixels: `Row(y)` for 0 <= y < height, and the
// rectangle inside which drawing is allowed. While it lives, the pixels are
// safe to touch (a window surface is read by the screen from other threads,
// so a window DC's target holds the window table's lock: draw, then let go;
// never send a message while holding one).
class DrawTarget {
public:
    bool Valid() const { return m_rowZero != nullptr && m_width > 0 && m_height > 0; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::uint32_t* Row(int y) const {
        return m_rowZero + static_cast<std::ptrdiff_t>(y) * m_stride;
    }
    std::ptrdiff_t Stride() const { return m_stride; } // in pixels, negative for bottom-up
    RECT Clip() const { return m_clip; }
    POINT Origin() const { return m_origin; }
    // After drawing into a window DC: the screen gets to know.
    HWND Window() const { return m_window; }

    DrawTarget() = default;
    DrawTarget(DrawTarget&&) = default;
    DrawTarget& operator=(DrawTarget&&) = default;
    ~DrawTarget();

private:
    friend DrawTarget AcquireTarget(HDC);
    std::unique_lock<std::mutex> m_lock;
    std::uint32_t* m_rowZero = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::ptrdiff_t m_stride = 0;
    RECT m_clip{};
    POINT m_origin{};
    HWND m_window = nullptr;
};

// The DC's target with its clip and origin; invalid for an unknown DC or a
// memory DC without a bitmap.
DrawTarget AcquireTarget(HDC hdc);

// A copy of the DC's state (selected objects, colours, origin).
std::optional<DcState> StateOf(HDC hdc);

// The pixels of a rectangle of a DC's target, top row first (for
// UpdateLayeredWindow and GDI+). False when the DC has no pixels.
bool ReadPixels(HDC hdc, int x, int y, int width, int height, std::vector<std::uint32_t>& out);

// Brush colour of a brush handle, including the (COLOR_xxx + 1) form.
std::optional<COLORREF> BrushColor(HBRUSH brush);

inline std::uint32_t ToPixel(COLORREF c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

} // namespace win32::detail
