#pragma once

// Where the layer's top-level windows appear and where input comes from.
// One screen back end is installed per process (headless for tests and
// snapshots, x11 for the real desktop); without one, windows exist but are
// shown nowhere and no input arrives.

#include <cstdint>
#include <string>
#include <vector>
#include <win32/Types.h>

namespace win32 {

// What a back end is told; every call comes from the thread that changed the
// window, with no lock of the layer held.
class ScreenBackend {
public:
    virtual ~ScreenBackend() = default;

    // A top-level window appeared, changed (moved, resized, shown, hidden,
    // restacked, layered attributes) or went away.
    virtual void WindowChanged(HWND) {}
    virtual void WindowDestroyed(HWND) {}
    // New pixels: a layered window got a picture, or a surface was painted.
    virtual void WindowContentChanged(HWND) {}
    // The mouse capture moved to `hwnd` (null: released). The x11 screen
    // grabs the pointer for it.
    virtual void CaptureChanged(HWND) {}
    virtual void FocusWindowChanged(HWND) {}
    // A message box window is up (its own window is `box`).
    virtual void MessageBoxShown(HWND /*box*/, const std::wstring& /*text*/,
                                 const std::wstring& /*caption*/, UINT /*type*/) {}

    // Event sources that the owning thread's message waits include.
    virtual int EventFd() const { return -1; }
    virtual DWORD EventThread() const { return 0; }
    // Drains pending events without blocking, turning each into input.
    virtual void ProcessEvents() {}

    virtual SIZE ScreenSize() const { return {1024, 768}; }
};

// Installs the back end for the process (null removes it). The caller keeps
// it alive until it is removed.
void InstallScreen(ScreenBackend* screen);
ScreenBackend* InstalledScreen();

// Neutral input from a back end, in screen coordinates. It is queued to the
// thread that owns the window under the pointer (or the capture, or the
// keyboard focus) and turned into window messages there.
enum class MouseButton { NoButton, Left, Right };
enum class MouseAction { Move, Press, Release };
void InjectMouse(int x, int y, MouseAction action, MouseButton button);
void InjectKey(UINT virtualKey, bool down);
void InjectChar(wchar_t ch);

// The top-level window under a screen point as input sees it: invisible
// windows and windows that let the mouse fall through are skipped.
HWND TopLevelAt(POINT point);

// Top-level windows from the bottom of the z-order to the top, owned windows
// above their owners.
std::vector<HWND> TopLevelWindowsBottomUp();

// What a screen shows of a top-level window.
struct WindowPicture {
    RECT rect{};                // on the screen
    bool visible = false;       // shown and not fully transparent by its attributes
    bool perPixelAlpha = false; // fed by UpdateLayeredWindow
    BYTE constantAlpha = 255;
    // width × height pixels, top row first, B G R A in memory; premultiplied
    // when perPixelAlpha, else opaque.
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};
bool GetWindowPicture(HWND hwnd, WindowPicture& picture);

// For a top-level window that the screen never shows: it keeps no pixels of
// its own, and what it and its children paint goes nowhere. A window the
// size of the screen would otherwise hold a screenful of memory for nothing.
bool DropWindowSurface(HWND hwnd);

// Number of live GDI objects (DCs, bitmaps, brushes, fonts, pens) handed out
// by the layer, as GetGuiResources would count them.
std::size_t GdiObjectCount();

} // namespace win32
