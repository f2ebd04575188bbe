#include <raster/Ops.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace raster {

namespace {

// Where a rectangle of the source lands in the destination, after clipping.
struct Transfer {
    int dx = 0;
    int dy = 0;
    int sx = 0;
    int sy = 0;
    int width = 0;
    int height = 0;
};

std::optional<Transfer> ClipTransfer(const Rect& dstArea, Point at, const Rect& srcBounds,
                                     const Rect& from) {
    const Rect s = Intersect(from, srcBounds);
    if (s.Empty() || dstArea.Empty()) {
        return std::nullopt;
    }
    // In long long: `at` plus an offset may leave the int range.
    const long long dl =
        static_cast<long long>(at.x) + (s.left - static_cast<long long>(from.left));
    const long long dt = static_cast<long long>(at.y) + (s.top - static_cast<long long>(from.top));
    const long long dr = dl + s.Width();
    const long long db = dt + s.Height();
    const long long l = std::max<long long>(dl, dstArea.left);
    const long long t = std::max<long long>(dt, dstArea.top);
    const long long r = std::min<long long>(dr, dstArea.right);
    const long long b = std::min<long long>(db, dstArea.bottom);
    if (r <= l || b <= t) {
        return std::nullopt;
    }
    return Transfer{static_cast<int>(l),
                    static_cast<int>(t),
                    static_cast<int>(s.left + (l - dl)),
                    static_cast<int>(s.top + (t - dt)),
                    static_cast<int>(r - l),
                    static_cast<int>(b - t)};
}

// The lowest and one-past-highest address a rectangle of a view touches.
std::pair<const Pixel*, const Pixel*> Extent(const Pixel* topLeft, std::ptrdiff_t stride, int width,
                                             int height) {
    const Pixel* last = topLeft + (height - 1) * stride;
    const Pixel* lo = std::min(topLeft, last, std::less<>());
    const Pixel* hi = std::max(topLeft, last, std::less<>()) + width;
    return {lo, hi};
}

template <typename RowOp>
void Transfer2D(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from,
                RowOp rowOp) {
    const auto t = ClipTransfer(Intersect(clip, dst.Bounds()), at, src.Bounds(), from);
    if (!t) {
        return;
    }
    const Pixel* s0 = src.Row(t->sy) + t->sx;
    Pixel* d0 = dst.Row(t->dy) + t->dx;
    const auto [slo, shi] = Extent(s0, src.Stride(), t->width, t->height);
    const auto [dlo, dhi] = Extent(d0, dst.Stride(), t->width, t->height);
    std::less<> before;
    if (before(slo, dhi) && before(dlo, shi)) {
        // Overlapping memory: read the whole source before writing anything.
        std::vector<Pixel> copy(static_cast<std::size_t>(t->width) * t->height);
        for (int y = 0; y < t->height; ++y) {
            std::memcpy(copy.data() + static_cast<std::size_t>(y) * t->width,
                        src.Row(t->sy + y) + t->sx, sizeof(Pixel) * t->width);
        }
        for (int y = 0; y < t->height; ++y) {
            rowOp(dst.Row(t->dy + y) + t->dx, copy.data() + static_cast<std::size_t>(y) * t->width,
                  t->width);
        }
        return;
    }
    for (int y = 0; y < t->height; ++y) {
        rowOp(dst.Row(t->dy + y) + t->dx, src.Row(t->sy + y) + t->sx, t->width);
    }
}

} // namespace

void Fill(PixelView dst, const Rect& clip, const Rect& area, Pixel colour) {
    const Rect r = Intersect(Intersect(area, clip), dst.Bounds());
    for (int y = r.top; y < r.bottom; ++y) {
        std::fill(dst.Row(y) + r.left, dst.Row(y) + r.right, colour);
    }
}

void Copy(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from) {
    Transfer2D(dst, clip, at, src, from,
               [](Pixel* d, const Pixel* s, int n) { std::memcpy(d, s, sizeof(Pixel) * n); });
}

void CopyOpaque(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from) {
    Transfer2D(dst, clip, at, src, from, [](Pixel* d, const Pixel* s, int n) {
        for (int i = 0; i < n; ++i) {
            d[i] = s[i] | kOpaque;
        }
    });
}

void BlendOver(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from,
               std::uint8_t constantAlpha) {
    if (constantAlpha == 0) {
        return;
    }
    if (constantAlpha == 255) {
        Transfer2D(dst, clip, at, src, from, [](Pixel* d, const Pixel* s, int n) {
            for (int i = 0; i < n; ++i) {
                d[i] = Over(d[i], s[i]);
            }
        });
        return;
    }
    Transfer2D(dst, clip, at, src, from, [constantAlpha](Pixel* d, const Pixel* s, int n) {
        for (int i = 0; i < n; ++i) {
            d[i] = Over(d[i], ScalePixel(s[i], constantAlpha));
        }
    });
}

void BlendCoverage(PixelView dst, const Rect& clip, Point at, const std::uint8_t* mask, int width,
                   int height, int pitch, Pixel colour) {
    if (!mask || width <= 0 || height <= 0) {
        return;
    }
    const auto t = ClipTransfer(Intersect(clip, dst.Bounds()), at, Rect{0, 0, width, height},
                                Rect{0, 0, width, height});
    if (!t) {
        return;
    }
    for (int y = 0; y < t->height; ++y) {
        const std::uint8_t* m = mask + static_cast<std::ptrdiff_t>(t->sy + y) * pitch + t->sx;
        Pixel* d = dst.Row(t->dy + y) + t->dx;
        for (int x = 0; x < t->width; ++x) {
            if (m[x] == 255) {
                d[x] = Over(d[x], colour);
            } else if (m[x] != 0) {
                d[x] = Over(d[x], ScalePixel(colour, m[x]));
            }
        }
    }
}

void Premultiply(PixelView view, const Rect& area) {
    const Rect r = Intersect(area, view.Bounds());
    for (int y = r.top; y < r.bottom; ++y) {
        Pixel* row = view.Row(y);
        for (int x = r.left; x < r.right; ++x) {
            row[x] = Premultiplied(row[x]);
        }
    }
}

void Unpremultiply(PixelView view, const Rect& area) {
    const Rect r = Intersect(area, view.Bounds());
    for (int y = r.top; y < r.bottom; ++y) {
        Pixel* row = view.Row(y);
        for (int x = r.left; x < r.right; ++x) {
            row[x] = Unpremultiplied(row[x]);
        }
    }
}

void FrameRect(PixelView dst, const Rect& clip, const Rect& rect, Pixel colour) {
    if (rect.Empty()) {
        return;
    }
    const int l = rect.left;
    const int t = rect.top;
    const int r = rect.right;
    const int b = rect.bottom;
    Fill(dst, clip, {l, t, r, t + 1}, colour);
    Fill(dst, clip, {l, b - 1, r, b}, colour);
    Fill(dst, clip, {l, t, l + 1, b}, colour);
    Fill(dst, clip, {r - 1, t, r, b}, colour);
}

void DrawEdge(PixelView dst, const Rect& clip, const Rect& rect, Pixel topLeft, Pixel bottomRight) {
    if (rect.Empty()) {
        return;
    }
    const int l = rect.left;
    const int t = rect.top;
    const int r = rect.right;
    const int b = rect.bottom;
    Fill(dst, clip, {l, t, r - 1, t + 1}, topLeft);
    Fill(dst, clip, {l, t, l + 1, b - 1}, topLeft);
    Fill(dst, clip, {l, b - 1, r, b}, bottomRight);
    Fill(dst, clip, {r - 1, t, r, b}, bottomRight);
}

} // namespace raster
