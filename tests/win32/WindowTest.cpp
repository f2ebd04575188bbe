#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <win32/Kernel.h>
#include <win32/User.h>

namespace {

std::vector<std::wstring> g_log;

std::wstring Name(HWND hwnd) {
    wchar_t text[64]{};
    GetWindowTextW(hwnd, text, 64);
    return text;
}

LRESULT CALLBACK LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DESTROY:
        g_log.push_back(L"destroy " + Name(hwnd));
        break;
    case WM_NCDESTROY:
        g_log.push_back(L"ncdestroy " + Name(hwnd));
        break;
    case WM_MOVE:
        g_log.push_back(L"move " + std::to_wstring(GET_X_LPARAM(lParam)) + L"," +
                        std::to_wstring(GET_Y_LPARAM(lParam)));
        break;
    case WM_SIZE:
        g_log.push_back(L"size " + std::to_wstring(LOWORD(lParam)) + L"x" +
                        std::to_wstring(HIWORD(lParam)));
        break;
    case WM_SHOWWINDOW:
        g_log.push_back(wParam ? L"show" : L"hide");
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = LoggingProc;
        wc.lpszClassName = L"Logging";
        RegisterClassExW(&wc);
    }
    void TearDown() override { UnregisterClassW(L"Logging", nullptr); }

    static HWND Make(LPCWSTR name, DWORD style, HWND parent, int id = 0, int x = 0, int y = 0) {
        return CreateWindowExW(0, L"Logging", name, style, x, y, 50, 40, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
};

TEST_F(Windows, DestroyGoesDownThroughChildrenAndOwnedWindows) {
    HWND top = Make(L"top", WS_POPUP, nullptr);
    HWND child = Make(L"child", WS_CHILD, top, 1);
    HWND grandchild = Make(L"grandchild", WS_CHILD, child, 2);
    HWND owned = Make(L"owned", WS_POPUP, top);
    g_log.clear();
    ASSERT_TRUE(DestroyWindow(top));
    EXPECT_EQ(g_log, (std::vector<std::wstring>{L"destroy owned", L"ncdestroy owned",
                                                L"destroy top", L"destroy child",
                                                L"destroy grandchild", L"ncdestroy grandchild",
                                                L"ncdestroy child", L"ncdestroy top"}));
    for (HWND h : {top, child, grandchild, owned})
        EXPECT_FALSE(IsWindow(h));
}

TEST_F(Windows, AClassWithWindowsCannotBeUnregistered) {
    HWND w = Make(L"w", WS_POPUP, nullptr);
    EXPECT_FALSE(UnregisterClassW(L"Logging", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassW(L"Logging", nullptr));
    WNDCLASSEXW again{};
    again.cbSize = sizeof again;
    again.lpfnWndProc = LoggingProc;
    again.lpszClassName = L"Logging";
    EXPECT_NE(RegisterClassExW(&again), 0);
}

TEST_F(Windows, ChildrenKeepCreationOrderAndFindWindowMatchesClassAndTitle) {
    HWND top = Make(L"Program Manager", WS_POPUP, nullptr);
    HWND a = Make(L"a", WS_CHILD, top, 10);
    HWND b = Make(L"b", WS_CHILD, top, 11);
    HWND c = Make(L"c", WS_CHILD, top, 12);
    EXPECT_EQ(GetWindow(top, GW_CHILD), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetDlgItem(top, 11), b);
    EXPECT_EQ(FindWindowW(L"logging", L"Program Manager"), top); // class names ignore case
    EXPECT_EQ(FindWindowW(L"Logging", L"Other"), nullptr);
    EXPECT_EQ(FindWindowW(L"NoSuchClass", nullptr), nullptr);
    DestroyWindow(top);
}

TEST_F(Windows, PositionAndSizeChangesReportClientOriginAndSize) {
    HWND top = Make(L"top", WS_POPUP, nullptr, 0, 5, 6);
    HWND child = Make(L"child", WS_CHILD | WS_VISIBLE, top, 1, 7, 8);
    g_log.clear();
    SetWindowPos(top, nullptr, 100, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(top, nullptr, 0, 0, 195, 413, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(top, nullptr, 0, 0, 195, 413, SWP_NOMOVE | SWP_NOZORDER); // no change, no message
    EXPECT_EQ(g_log, (std::vector<std::wstring>{L"move 100,200", L"size 195x413"}));
    RECT r{};
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 107);
    EXPECT_EQ(r.top, 208);
    POINT p{110, 210};
    ScreenToClient(child, &p);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 2);
    ClientToScreen(child, &p);
    EXPECT_EQ(p.x, 110);
    GetClientRect(top, &r);
    EXPECT_EQ(r.right, 195);
    EXPECT_EQ(r.bottom, 413);
    DestroyWindow(top);
}

TEST_F(Windows, ShowWindowSendsShowWindowOnlyOnChange) {
    HWND top = Make(L"top", WS_POPUP, nullptr);
    g_log.clear();
    EXPECT_FALSE(ShowWindow(top, SW_SHOWNA));
    EXPECT_TRUE(ShowWindow(top, SW_SHOWNA));
    EXPECT_TRUE(IsWindowVisible(top));
    EXPECT_TRUE(ShowWindow(top, SW_HIDE));
    EXPECT_EQ(g_log, (std::vector<std::wstring>{L"show", L"hide"}));
    DestroyWindow(top);
}

WNDPROC g_saved = nullptr;
std::vector<UINT> g_through;

LRESULT CALLBACK Subclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_through.push_back(msg);
    return CallWindowProcW(g_saved, hwnd, msg, wParam, lParam);
}

TEST_F(Windows, ASubclassSeesMessagesAndPassesThemToTheSavedProcedure) {
    HWND top = Make(L"before", WS_POPUP, nullptr);
    g_saved = reinterpret_cast<WNDPROC>(GetWindowLongW(top, GWL_WNDPROC));
    ASSERT_EQ(g_saved, LoggingProc);
    const LONG_PTR previous =
        SetWindowLongW(top, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(previous), LoggingProc);
    g_through.clear();
    g_log.clear();
    SetWindowTextW(top, L"after");
    SetWindowPos(top, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(g_through, (std::vector<UINT>{WM_SETTEXT, WM_MOVE}));
    EXPECT_EQ(g_log, std::vector<std::wstring>{L"move 3,4"}); // the saved procedure ran too
    EXPECT_EQ(Name(top), L"after");
    DestroyWindow(top);
}

TEST_F(Windows, StylesAndExtendedStylesRoundTrip) {
    HWND top = Make(L"top", WS_POPUP, nullptr);
    SetWindowLongW(top, GWL_EXSTYLE, GetWindowLongW(top, GWL_EXSTYLE) | WS_EX_LAYERED);
    EXPECT_TRUE(GetWindowLongW(top, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(SetLayeredWindowAttributes(top, 0, 5, LWA_ALPHA));
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(top, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 5);
    EXPECT_EQ(flags, LWA_ALPHA);
    wchar_t cls[260]{};
    EXPECT_EQ(GetClassNameW(top, cls, 260), 7);
    EXPECT_STREQ(cls, L"Logging");
    DestroyWindow(top);
}

TEST_F(Windows, AStaticControlLetsMouseHitsThroughUnlessItNotifies) {
    HWND top = Make(L"top", WS_POPUP, nullptr);
    HWND plain = CreateWindowExW(0, L"Static", L"CPU", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, top,
                                 nullptr, nullptr, nullptr);
    HWND notify = CreateWindowExW(0, L"Static", L"CPU", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 0, 0, 20,
                                  20, top, nullptr, nullptr, nullptr);
    EXPECT_EQ(SendMessageW(plain, WM_NCHITTEST, 0, MAKELPARAM(1, 1)), HTTRANSPARENT);
    EXPECT_EQ(SendMessageW(notify, WM_NCHITTEST, 0, MAKELPARAM(1, 1)), HTCLIENT);
    DestroyWindow(top);
}

} // namespace
