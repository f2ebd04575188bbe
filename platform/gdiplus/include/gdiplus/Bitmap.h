#pragma once

// A bitmap image; here made from a GDI bitmap.

#include <gdiplus/Color.h>
#include <gdiplus/Image.h>

namespace Gdiplus {

class Bitmap : public Image {
public:
    // Copies the pixels of a GDI bitmap (it may be selected into a DC) as
    // opaque: alpha 255 whatever the bitmap's fourth byte holds. A null or
    // unknown bitmap gives a bitmap without a picture and InvalidParameter.
    // The palette is not used: GDI bitmaps here have 32 bits per pixel.
    Bitmap(HBITMAP bitmap, HPALETTE palette);
    // Null only when memory is short.
    static Bitmap* FromHBITMAP(HBITMAP bitmap, HPALETTE palette);

    // Straight ARGB of one pixel; InvalidParameter outside the picture.
    Status GetPixel(INT x, INT y, Color* color) const;
};

} // namespace Gdiplus
