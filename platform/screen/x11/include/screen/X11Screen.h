#pragma once

// The real desktop: every top-level window of the layer is an X window, and
// X input becomes the layer's input on the thread that opened the screen.
// Nothing outside this file's implementation sees an X11 header.

#include <memory>
#include <string>
#include <win32/Screen.h>

namespace screen {

class X11Screen final : public win32::ScreenBackend {
public:
    // Connects to `display` (null: $DISPLAY) and installs itself for the
    // process; null when there is no display to connect to. The calling
    // thread becomes the one that drains X events: the UI thread.
    static std::unique_ptr<X11Screen> Open(const char* display, std::string* error);
    ~X11Screen() override;
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    void WindowChanged(HWND hwnd) override;
    void WindowDestroyed(HWND hwnd) override;
    void WindowContentChanged(HWND hwnd) override;
    void CaptureChanged(HWND hwnd) override;
    void FocusWindowChanged(HWND hwnd) override;

    int EventFd() const override;
    DWORD EventThread() const override;
    void ProcessEvents() override;
    SIZE ScreenSize() const override;

    struct Impl;

private:
    explicit X11Screen(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace screen
