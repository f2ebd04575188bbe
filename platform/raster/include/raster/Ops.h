#pragma once

// Whole-rectangle pixel operations. Every one writes only inside both the
// destination view and `clip` (in the destination's coordinates), whatever the
// other arguments are; areas that leave a view are cut, never wrapped.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <raster/Pixel.h>
#include <raster/PixelView.h>
#include <raster/Rect.h>

namespace raster {

// Every pixel of `area` becomes `colour`, alpha included (GDI brushes pass opaque
// colours; 0 clears to transparent black).
void Fill(PixelView dst, const Rect& clip, const Rect& area, Pixel colour);
// `count` pixels from `first` on become `colour`.
void FillPixels(Pixel* first, std::size_t count, Pixel colour);

// The pixels of `from` in `src`, placed with their top-left corner at `at`.
// Source and destination may share memory.
void Copy(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from);

// As Copy, with every alpha set to 255: a GDI bitmap taken as opaque.
void CopyOpaque(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from);

// Premultiplied source over premultiplied destination, the source first scaled
// by `constantAlpha` (255 leaves it as it is, 0 leaves the destination as it is).
void BlendOver(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from,
               std::uint8_t constantAlpha = 255);

// Where a premultiplied picture is fully transparent (all four bytes 0),
// fully opaque, or neither, row by row. Found once for a picture that is
// drawn many times, so that source-over copies its opaque runs and skips its
// empty ones instead of blending every pixel.
class AlphaRuns {
public:
    struct Run {
        int begin = 0;
        int end = 0;
        bool opaque = false; // else: blend pixel by pixel
    };

    AlphaRuns() = default;
    static AlphaRuns Of(ConstPixelView picture);
    // A picture known to be opaque everywhere, without looking at it.
    static AlphaRuns AllOpaque(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsAllOpaque() const { return m_allOpaque; }
    // The runs of row y that are not transparent, left to right.
    const Run* RowBegin(int y) const { return m_runs.data() + m_first[y]; }
    const Run* RowEnd(int y) const { return m_runs.data() + m_first[y + 1]; }

private:
    int m_width = 0;
    int m_height = 0;
    bool m_allOpaque = false;
    std::vector<Run> m_runs;
    std::vector<std::size_t> m_first; // per row, the index of its first run; one more at the end
};

// As BlendOver at constant alpha 255, for a source whose runs are known
// (`runs` must have been made from `src`, or be AllOpaque of an opaque one).
void BlendOver(PixelView dst, const Rect& clip, Point at, ConstPixelView src, const Rect& from,
               const AlphaRuns& runs);

// An 8-bit coverage mask (one byte per pixel, `pitch` bytes per row) blended
// over the destination in a premultiplied colour: at coverage c the colour
// times c / 255 goes over what is there.
void BlendCoverage(PixelView dst, const Rect& clip, Point at, const std::uint8_t* mask, int width,
                   int height, int pitch, Pixel colour);

// In place, for the pixels of `area`.
void Premultiply(PixelView view, const Rect& area);
void Unpremultiply(PixelView view, const Rect& area);

// A one-pixel line from `from` to `to`, both ends drawn, in a premultiplied
// colour blended over the destination. Horizontal and vertical lines are exact;
// other directions step as Bresenham does.
void DrawLine(PixelView dst, const Rect& clip, Point from, Point to, Pixel colour);

// The one-pixel border just inside `rect`.
void FrameRect(PixelView dst, const Rect& clip, const Rect& rect, Pixel colour);

// A one-pixel 3D edge just inside `rect`: the top row and left column in
// `topLeft`, the bottom row and right column (both corners they end in too) in
// `bottomRight`. Call twice, inset by one, for a two-pixel edge.
void DrawEdge(PixelView dst, const Rect& clip, const Rect& rect, Pixel topLeft, Pixel bottomRight);

} // namespace raster
