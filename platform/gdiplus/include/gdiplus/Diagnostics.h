#pragma once

// What the layer adds to GDI+ for tests: the system's code never uses it.

#include <cstddef>

namespace gdiplus {

// Live GDI+ objects (images, bitmaps, graphics, pens), whether or not their
// creation succeeded.
std::size_t LiveObjectCount();

} // namespace gdiplus
