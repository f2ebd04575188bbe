#pragma once

// Bitmaps from a module's resources.

#include <win32/Types.h>

// An RT_BITMAP resource (a BITMAPINFOHEADER, an optional colour table and the
// pixels, 24 or 32 bits per pixel, uncompressed, bottom-up or top-down) as a
// new GDI bitmap, opaque. A null instance asks for the system's predefined
// bitmaps, of which there are none: null, as for a missing or malformed
// resource.
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
