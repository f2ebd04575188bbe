#pragma once

#include <win32/User.h>

namespace win32::detail {

// Runs the calling thread's WH_CBT hooks for a window that has just been made.
void RunCreateHooks(HWND hwnd, CREATESTRUCTW& cs);

} // namespace win32::detail
