#pragma once

// Whether GDI+ has been started, and the count of live objects.

#include <gdiplus/Types.h>

namespace Gdiplus::detail {

bool Running();
// Ok while started, else GdiplusNotInitialized.
Status RunningStatus();

void ObjectCreated();
void ObjectDestroyed();

} // namespace Gdiplus::detail
