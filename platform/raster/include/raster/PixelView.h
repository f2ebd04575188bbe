#pragma once

// A window onto 32-bit pixels that someone else owns. Row 0 is always the top
// row; the stride (in pixels, signed) leads from one row to the one below, so a
// bottom-up DIB is a view whose first row is the last one in memory.

#include <cstddef>
#include <type_traits>

#include <raster/Forward.h>
#include <raster/Rect.h>

namespace raster {

template <typename T>
class BasicView {
public:
    BasicView() = default;
    // A negative width or height is an empty view.
    BasicView(T* topRow, int width, int height, std::ptrdiff_t stride)
        : m_top(topRow), m_width(width > 0 && height > 0 && topRow ? width : 0),
          m_height(width > 0 && height > 0 && topRow ? height : 0), m_stride(stride) {}

    template <typename U>
    requires(std::is_const_v<T>&& std::is_same_v<std::remove_const_t<T>, U>)
        BasicView(const BasicView<U>& other) // NOLINT: a writable view is readable
        : m_top(other.Row(0)), m_width(other.Width()), m_height(other.Height()),
          m_stride(other.Stride()) {}

    // Rows stored top row first, `width` pixels apart.
    static BasicView TopDown(T* pixels, int width, int height) {
        return BasicView(pixels, width, height, width);
    }
    // Rows stored last row first, as in a DIB with a positive biHeight.
    static BasicView BottomUp(T* pixels, int width, int height) {
        if (!pixels || width <= 0 || height <= 0) {
            return {};
        }
        return BasicView(pixels + static_cast<std::ptrdiff_t>(height - 1) * width, width, height,
                         -static_cast<std::ptrdiff_t>(width));
    }

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::ptrdiff_t Stride() const { return m_stride; }
    bool Empty() const { return m_width == 0; }
    Rect Bounds() const { return {0, 0, m_width, m_height}; }

    // Unchecked: callers clip first.
    T* Row(int y) const { return m_top + y * m_stride; }
    T& At(int x, int y) const { return Row(y)[x]; }

    // The part of this view inside `area`, with its own origin at the area's corner.
    BasicView Sub(const Rect& area) const {
        const Rect r = Intersect(area, Bounds());
        if (r.Empty()) {
            return {};
        }
        return BasicView(Row(r.top) + r.left, r.right - r.left, r.bottom - r.top, m_stride);
    }

private:
    T* m_top = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::ptrdiff_t m_stride = 0;
};

} // namespace raster
