#pragma once

#include <mutex>
#include <win32/User.h>

namespace win32::detail {

// Input state shared by every thread: the capture, the foreground window and
// where the pointer is. Owned and locked here.
struct InputState {
    std::mutex mutex;
    HWND capture = nullptr;
    HWND foreground = nullptr;
    POINT cursor{0, 0};
    bool leftDown = false;
    bool rightDown = false;
};
InputState& Input();

// Turns a raw input message taken from this thread's queue into the window
// message it stands for. False when it stands for nothing.
bool TranslateRawInput(MSG& msg);

} // namespace win32::detail
