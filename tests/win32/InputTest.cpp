#include <Watchdog.h>
#include <gtest/gtest.h>
#include <screen/HeadlessScreen.h>
#include <vector>
#include <win32/Gdi.h>
#include <win32/User.h>

namespace {

struct Seen {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
};
std::vector<Seen> g_seen;

LRESULT CALLBACK Recording(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_ACTIVATE ||
        msg == WM_CAPTURECHANGED)
        g_seen.push_back({hwnd, msg, wParam});
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Draggable(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN) {
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        return 0;
    }
    return Recording(hwnd, msg, wParam, lParam);
}

class Input : public ::testing::Test {
protected:
    screen::HeadlessScreen screen{400, 300};
    testing_support::Watchdog watchdog;

    void SetUp() override {
        g_seen.clear();
        const std::pair<LPCWSTR, WNDPROC> classes[] = {{L"Rec", Recording}, {L"Drag", Draggable}};
        for (auto [name, proc] : classes) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = proc;
            wc.lpszClassName = name;
            RegisterClassExW(&wc);
        }
    }
    static void Drain() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    static HWND Make(LPCWSTR cls, DWORD exStyle, int x, int y) {
        return CreateWindowExW(exStyle, cls, L"", WS_POPUP | WS_VISIBLE, x, y, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
    }
    static void GivePicture(HWND hwnd) {
        HDC screenDc = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screenDc);
        HBITMAP bmp = CreateCompatibleBitmap(screenDc, 100, 100);
        HGDIOBJ old = SelectObject(mem, bmp);
        POINT src{0, 0};
        SIZE size{100, 100};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        UpdateLayeredWindow(hwnd, screenDc, nullptr, &size, mem, &src, 0, &blend, ULW_ALPHA);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screenDc);
    }
};

TEST_F(Input, AClickOnAClickThroughLayeredWindowReachesTheWindowBeneath) {
    HWND below = Make(L"Rec", 0, 10, 10);
    HWND above = Make(L"Rec", WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE, 10, 10);
    GivePicture(above);
    Drain();
    g_seen.clear();
    screen.Click(50, 50);
    Drain();
    ASSERT_FALSE(g_seen.empty());
    for (const auto& s : g_seen)
        EXPECT_EQ(s.hwnd, below);
    // A layered window that takes input catches the same click.
    HWND catcher = Make(L"Rec", WS_EX_LAYERED, 10, 10);
    SetLayeredWindowAttributes(catcher, 0, 5, LWA_ALPHA);
    Drain();
    g_seen.clear();
    screen.Click(50, 50);
    Drain();
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.back().hwnd, catcher);
    for (HWND h : {below, above, catcher})
        DestroyWindow(h);
}

TEST_F(Input, AClickActivatesWithClickActiveAndShowingWithActive) {
    HWND a = Make(L"Rec", 0, 0, 0);
    HWND b = Make(L"Rec", 0, 200, 0);
    Drain();
    g_seen.clear();
    screen.Click(50, 50);
    Drain();
    std::vector<WPARAM> toA;
    for (const auto& s : g_seen)
        if (s.hwnd == a && s.msg == WM_ACTIVATE)
            toA.push_back(LOWORD(s.wParam));
    EXPECT_EQ(toA, std::vector<WPARAM>{WA_CLICKACTIVE});
    EXPECT_EQ(GetForegroundWindow(), a);
    // A never-activated window stays out of it.
    HWND na = Make(L"Rec", WS_EX_NOACTIVATE, 0, 150);
    Drain();
    screen.Click(50, 200);
    Drain();
    EXPECT_EQ(GetForegroundWindow(), a);
    for (HWND h : {a, b, na})
        DestroyWindow(h);
}

TEST_F(Input, AMoveLoopFollowsThePointerAndEndsWithCaptureChanged) {
    HWND w = Make(L"Drag", 0, 20, 30);
    Drain();
    g_seen.clear();
    screen.PressLeft(40, 40);
    screen.MoveMouse(60, 45);
    screen.MoveMouse(90, 70);
    screen.ReleaseLeft(90, 70);
    Drain();
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 70);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(GetCapture(), nullptr);
    bool captureChanged = false;
    for (const auto& s : g_seen)
        captureChanged |= s.hwnd == w && s.msg == WM_CAPTURECHANGED;
    EXPECT_TRUE(captureChanged);
    DestroyWindow(w);
}

TEST_F(Input, TheDesktopComposesWindowsWithTheirAlphas) {
    HWND w = Make(L"Rec", WS_EX_LAYERED, 0, 0);
    SetLayeredWindowAttributes(w, 0, 0, LWA_ALPHA); // fully transparent
    Drain();
    EXPECT_EQ(screen.PixelAt(5, 5), 0xFF3A6EA5u);
    SetLayeredWindowAttributes(w, 0, 255, LWA_ALPHA);
    Drain();
    EXPECT_NE(screen.PixelAt(5, 5), 0xFF3A6EA5u);
    DestroyWindow(w);
    EXPECT_EQ(screen.PixelAt(5, 5), 0xFF3A6EA5u);
}

} // namespace
