#include <raster/Ops.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace raster {

namespace {

void BlendSpan(PixelView dst, const Rect& area, int y, long long x0, long long x1, Pixel colour) {
    if (y < area.top || y >= area.bottom) {
        return;
    }
    const long long l = std::max<long long>(std::min(x0, x1), area.left);
    const long long r = std::min<long long>(std::max(x0, x1) + 1, area.right);
    Pixel* row = dst.Row(y);
    for (long long x = l; x < r; ++x) {
        row[x] = Over(row[x], colour);
    }
}

} // namespace

void DrawLine(PixelView dst, const Rect& clip, Point from, Point to, Pixel colour) {
    const Rect area = Intersect(clip, dst.Bounds());
    if (area.Empty()) {
        return;
    }
    if (from.y == to.y) {
        BlendSpan(dst, area, from.y, from.x, to.x, colour);
        return;
    }
    if (from.x == to.x) {
        if (from.x < area.left || from.x >= area.right) {
            return;
        }
        const long long t = std::max<long long>(std::min(from.y, to.y), area.top);
        const long long b = std::min<long long>(std::max(from.y, to.y) + 1LL, area.bottom);
        for (long long y = t; y < b; ++y) {
            Pixel& p = dst.At(from.x, static_cast<int>(y));
            p = Over(p, colour);
        }
        return;
    }

    // Step along the longer axis; the other one is i * minor / major, rounded.
    const long long dx = static_cast<long long>(to.x) - from.x;
    const long long dy = static_cast<long long>(to.y) - from.y;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long a0 = xMajor ? from.x : from.y;
    const long long b0 = xMajor ? from.y : from.x;
    const long long dMajor = xMajor ? dx : dy;
    const long long dMinor = xMajor ? dy : dx;
    const long long n = std::llabs(dMajor);
    const long long m = std::llabs(dMinor);
    const int majorSign = dMajor > 0 ? 1 : -1;
    const int minorSign = dMinor > 0 ? 1 : -1;
    const long long lo = xMajor ? area.left : area.top;
    const long long hi = (xMajor ? area.right : area.bottom) - 1LL;

    // Only the steps whose major coordinate lies inside the clip are walked, so
    // a line a billion pixels long costs no more than the view is wide.
    long long first = majorSign > 0 ? lo - a0 : a0 - hi;
    long long last = majorSign > 0 ? hi - a0 : a0 - lo;
    first = std::max(first, 0LL);
    last = std::min(last, n);
    for (long long i = first; i <= last; ++i) {
        const long long a = a0 + majorSign * i;
        // i * m / n rounded half up; i, m < 2^32, so i * m fits 64 unsigned bits.
        const std::uint64_t im = static_cast<std::uint64_t>(i) * static_cast<std::uint64_t>(m);
        const std::uint64_t un = static_cast<std::uint64_t>(n);
        const auto q = static_cast<long long>(im / un + (2 * (im % un) >= un ? 1 : 0));
        const long long b = b0 + minorSign * q;
        const long long x = xMajor ? a : b;
        const long long y = xMajor ? b : a;
        if (x >= area.left && x < area.right && y >= area.top && y < area.bottom) {
            Pixel& p = dst.At(static_cast<int>(x), static_cast<int>(y));
            p = Over(p, colour);
        }
    }
}

} // namespace raster
