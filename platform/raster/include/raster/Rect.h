#pragma once

// Integer rectangles as the drawing layer knows them: left and top inside,
// right and bottom outside. Any four ints are allowed; a rectangle whose right
// is not beyond its left (or bottom beyond top) is empty.

#include <algorithm>

namespace raster {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Empty() const { return right <= left || bottom <= top; }
    // As long long: the width of {INT_MIN, 0, INT_MAX, 1} does not fit an int.
    long long Width() const { return Empty() ? 0 : static_cast<long long>(right) - left; }
    long long Height() const { return Empty() ? 0 : static_cast<long long>(bottom) - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect Intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return r.Empty() ? Rect{} : r;
}

} // namespace raster
