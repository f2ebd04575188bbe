#pragma once

// Hooks for tests; the system's code never uses them.

#include <functional>
#include <win32/Types.h>

namespace win32 {

// Replaces the clock behind GetTickCount (an empty function restores it).
// Set it before any thread reads the tick count.
void SetTickCountSourceForTesting(std::function<DWORD()> source);

} // namespace win32
