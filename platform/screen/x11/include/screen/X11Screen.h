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
    // thread becomes the one that drains X events: the UI thread. It also
    // offers the desktop as the shell's window (class "Progman", title
    // "Program Manager"): a window made a child of it lives on the desktop,
    // below other windows, on every workspace, in no taskbar or pager.
    static std::unique_ptr<X11Screen> Open(const char* display, std::string* error);
    ~X11Screen() override;
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    void WindowChanged(HWND hwnd) override;
    void WindowDestroyed(HWND hwnd) override;
    void WindowContentChanged(HWND hwnd) override;
    void CaptureChanged(HWND hwnd) override;
    void FocusWindowChanged(HWND hwnd) override;
    void MessageBoxShown(HWND box, const std::wstring& text, const std::wstring& caption,
                         UINT type) override;

    int EventFd() const override;
    DWORD EventThread() const override;
    void ProcessEvents() override;
    SIZE ScreenSize() const override;

    // Returns once the server has handled every request sent so far (for
    // tests and benchmarks that look at the screen).
    void WaitForServer();

    struct Impl;

private:
    explicit X11Screen(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace screen
