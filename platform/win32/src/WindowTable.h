#pragma once

// The process's windows and window classes, owned and locked in one place.
// Window procedures are never called with the lock held.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>
#include <win32/User.h>

namespace win32::detail {

struct WindowClass {
    std::wstring name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int clsExtra = 0;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON iconSmall = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    int windowCount = 0;
    bool system = false;
};

// A top-level window's pixels: width × height, top row first, B G R A.
struct PixelStore {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    bool dropped = false; // the screen never shows it: stays 0 x 0
    void Resize(int w, int h);
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    DWORD threadId = 0;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    // A child's rectangle is in its parent's client coordinates, a top-level
    // window's on the screen. Windows have no non-client area here: the
    // client area is the whole window.
    RECT rect{};
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children; // top of the z-order first
    std::wstring text;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    HINSTANCE instance = nullptr;
    std::vector<LONG_PTR> extra; // cbWndExtra, in pointer-sized slots
    bool enabled = true;
    bool destroying = false;
    HICON iconBig = nullptr;
    HICON iconSmall = nullptr;
    HFONT font = nullptr; // WM_SETFONT of a control; not owned

    // Painting: the pending update rectangle in client coordinates.
    bool updatePending = false;
    bool erasePending = false;
    RECT updateRect{};

    // Layered windows.
    bool layeredAttributes = false; // SetLayeredWindowAttributes was called
    BYTE layeredAlpha = 255;
    DWORD layeredFlags = 0;
    bool layeredPicture = false; // UpdateLayeredWindow gave a picture
    BYTE pictureAlpha = 255;
    PixelStore picture; // premultiplied

    PixelStore surface; // top-level windows: what they paint

    // State of a built-in control or dialog, owned by its procedure.
    std::shared_ptr<void> classData;
};

class WindowTable {
public:
    std::mutex mutex;

    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    std::vector<HWND> topLevels; // top of the z-order first
    std::unordered_map<std::wstring, std::shared_ptr<WindowClass>> classes; // by folded name

    // Under the lock.
    Window* Find(HWND hwnd);
    HWND NewHandle();
    std::shared_ptr<WindowClass> FindClass(LPCWSTR name, HINSTANCE instance);
    // The siblings list that holds `w` (its parent's children, or the
    // top-level list).
    std::vector<HWND>& SiblingsOf(Window& w);
    // Top-left of a window's client area on the screen.
    POINT ScreenOrigin(const Window& w);
    HWND TopLevelOf(HWND hwnd);
    // Top-level windows from the bottom of the z-order up, each owned window
    // right above its owner.
    std::vector<HWND> BottomUp();
    // Visible, including every ancestor.
    bool IsReallyVisible(const Window& w);

private:
    std::uintptr_t m_next = 0x10010;
};

WindowTable& Windows();

std::wstring FoldCase(const std::wstring& s);

} // namespace win32::detail
