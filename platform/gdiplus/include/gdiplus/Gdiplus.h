#pragma once

// The GDI+ area as one include, as the system's code expects it.

#include <gdiplus/Bitmap.h>
#include <gdiplus/Color.h>
#include <gdiplus/Graphics.h>
#include <gdiplus/Image.h>
#include <gdiplus/Pen.h>
#include <gdiplus/Startup.h>
#include <gdiplus/Types.h>
