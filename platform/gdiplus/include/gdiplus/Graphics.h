#pragma once

// Drawing into the bitmap selected in a device context. The bitmap is taken
// as premultiplied 32-bit BGRA and everything is composed source-over, inside
// the DC's clip and shifted by its origin.

#include <gdiplus/Types.h>

namespace Gdiplus {

class Image;
class Pen;

class Graphics {
public:
    // Draws into the bitmap that the DC holds now. A null or unknown DC, or a
    // memory DC that holds no bitmap of its own, gives a Graphics that cannot
    // draw (InvalidParameter). When the DC is later deleted or holds another
    // bitmap, drawing fails with Win32Error and touches nothing.
    explicit Graphics(HDC hdc);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    Status SetSmoothingMode(SmoothingMode mode);
    SmoothingMode GetSmoothingMode() const { return m_smoothing; }

    // At the image's own size.
    Status DrawImage(Image* image, INT x, INT y);
    Status DrawImage(Image* image, REAL x, REAL y);
    // Into width × height; the same size is an exact copy, another size is
    // sampled nearest-neighbour (a negative side mirrors, 0 draws nothing).
    Status DrawImage(Image* image, INT x, INT y, INT width, INT height);
    Status DrawImage(Image* image, REAL x, REAL y, REAL width, REAL height);

    // Both end points are drawn: (x, y) to (x, y + 13) covers 14 pixels.
    // Pens up to 1.5 units wide draw one pixel wide; wider pens are
    // NotImplemented.
    Status DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2);
    Status DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2);

    Status GetLastStatus() const;

private:
    Status SetStatus(Status status) const;
    Status Usable() const;

    HDC m_hdc = nullptr;
    HBITMAP m_bitmap = nullptr; // the memory DC's bitmap when made; null for a window DC
    bool m_valid = false;
    SmoothingMode m_smoothing = SmoothingModeDefault;
    mutable Status m_lastStatus = Ok;
};

} // namespace Gdiplus
