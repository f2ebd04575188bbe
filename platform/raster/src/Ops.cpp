#include <raster/Ops.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "Rows.h"

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
        rows::Fill(dst.Row(y) + r.left, static_cast<std::size_t>(r.right - r.left), colour);
    }
}

void FillPixels(Pixel* first, std::size_t count, Pixel colour) {
    rows::Fill(first, count, colour);
}

void Copy(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from) {
    Transfer2D(dst, clip, at, src, from,
               [](Pixel* d, const Pixel* s, int n) { std::memcpy(d, s, sizeof(Pixel) * n); });
}

void CopyOpaque(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from) {
    Transfer2D(dst, clip, at, src, from, [](Pixel* d, const Pixel* s, int n) {
        rows::CopyOpaque(d, s, static_cast<std::size_t>(n));
    });
}

void BlendOver(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from,
               std::uint8_t constantAlpha) {
    if (constantAlpha == 0) {
        return;
    }
    if (constantAlpha == 255) {
        Transfer2D(dst, clip, at, src, from, [](Pixel* d, const Pixel* s, int n) {
            rows::Over(d, s, static_cast<std::size_t>(n));
        });
        return;
    }
    Transfer2D(dst, clip, at, src, from, [constantAlpha](Pixel* d, const Pixel* s, int n) {
        rows::OverScaled(d, s, static_cast<std::size_t>(n), constantAlpha);
    });
}

AlphaRuns AlphaRuns::Of(ConstPixelView picture) {
    AlphaRuns runs;
    runs.m_width = picture.Width();
    runs.m_height = picture.Height();
    runs.m_first.reserve(static_cast<std::size_t>(runs.m_height) + 1);
    bool allOpaque = true;
    for (int y = 0; y < runs.m_height; ++y) {
        runs.m_first.push_back(runs.m_runs.size());
        const Pixel* row = picture.Row(y);
        int x = 0;
        while (x < runs.m_width) {
            const bool empty = row[x] == 0;
            const bool opaque = AlphaOf(row[x]) == 255;
            int end = x + 1;
            while (end < runs.m_width && (row[end] == 0) == empty &&
                   (AlphaOf(row[end]) == 255) == opaque) {
                ++end;
            }
            allOpaque = allOpaque && opaque;
            if (!empty) {
                runs.m_runs.push_back({x, end, opaque});
            }
            x = end;
        }
    }
    runs.m_first.push_back(runs.m_runs.size());
    runs.m_allOpaque = allOpaque;
    return runs;
}

AlphaRuns AlphaRuns::AllOpaque(int width, int height) {
    AlphaRuns runs;
    runs.m_width = std::max(width, 0);
    runs.m_height = std::max(height, 0);
    runs.m_allOpaque = true;
    return runs;
}

void BlendOver(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from,
               const AlphaRuns& runs) {
    if (runs.Width() != src.Width() || runs.Height() != src.Height()) {
        BlendOver(dst, clip, at, src, from);
        return;
    }
    if (runs.IsAllOpaque()) {
        Copy(dst, clip, at, src, from);
        return;
    }
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
        BlendOver(dst, clip, at, src, from); // shared memory: the careful way
        return;
    }
    const int left = t->sx;
    const int right = t->sx + t->width;
    for (int y = 0; y < t->height; ++y) {
        const Pixel* s = src.Row(t->sy + y);
        Pixel* d = dst.Row(t->dy + y) + t->dx; // where source column `left` lands
        for (const AlphaRuns::Run* run = runs.RowBegin(t->sy + y); run != runs.RowEnd(t->sy + y);
             ++run) {
            const int b = std::max(run->begin, left);
            const int e = std::min(run->end, right);
            if (b >= e) {
                continue;
            }
            const auto n = static_cast<std::size_t>(e - b);
            if (run->opaque) {
                std::memcpy(d + (b - left), s + b, sizeof(Pixel) * n);
            } else {
                rows::Over(d + (b - left), s + b, n);
            }
        }
    }
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
        rows::OverCoverage(dst.Row(t->dy + y) + t->dx, m, static_cast<std::size_t>(t->width),
                           colour);
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
