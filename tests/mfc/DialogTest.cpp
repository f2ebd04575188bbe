#include "TestDialogs.h"

#include <Watchdog.h>
#include <gtest/gtest.h>
#include <screen/HeadlessScreen.h>

namespace {

// Handles what is queued; the quit's code, or -1 when none was posted. (The
// layer hands out WM_QUIT only to an unfiltered retrieval.)
long long TakeQuit() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return static_cast<long long>(msg.wParam);
        DispatchMessageW(&msg);
    }
    return -1;
}

class DoModal : public ::testing::Test {
protected:
    screen::HeadlessScreen screen;
    testing_support::Watchdog watchdog;
    void SetUp() override { RegisterTestDialog(); }
    void TearDown() override {
        TestApp().m_pMainWnd = nullptr;
        TakeQuit();
    }
};

TEST_F(DoModal, RunsTheDialogFromItsTemplateAndTearsItDownThroughTheVirtuals) {
    CDerivedDlg dlg;
    TestApp().m_pMainWnd = &dlg;
    dlg.act = [&](CBaseDlg& d) {
        EXPECT_TRUE(::IsWindowVisible(d.m_hWnd));
        EXPECT_EQ(CWnd::FromHandlePermanent(d.m_hWnd), &d);
        screen.Key(VK_ESCAPE);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.initCount, 1);
    EXPECT_EQ(dlg.okTextAtInit, L"确定");
    EXPECT_EQ(dlg.destroyCalls, 1);
    EXPECT_TRUE(dlg.aliveInDestroy);
    EXPECT_EQ(dlg.postNcDestroyCalls, 1);
    EXPECT_TRUE(dlg.detachedInPostNcDestroy);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_FALSE(::IsWindow(dlg.created));
    // The main window went: the application forgot it and was told to quit.
    EXPECT_EQ(TestApp().m_pMainWnd, nullptr);
    EXPECT_EQ(TakeQuit(), 0);
}

TEST_F(DoModal, DisablesItsOwnerWhileItRuns) {
    HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                 nullptr, nullptr, nullptr, nullptr);
    CWnd ownerWnd;
    ASSERT_TRUE(ownerWnd.Attach(owner));
    CDerivedDlg dlg(&ownerWnd);
    dlg.act = [&](CBaseDlg& d) {
        EXPECT_FALSE(::IsWindowEnabled(owner));
        EXPECT_EQ(::GetWindow(d.m_hWnd, GW_OWNER), owner);
        d.EndDialog(42);
    };
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    // No quit: the dialog was not the main window.
    EXPECT_EQ(TakeQuit(), -1);
    ownerWnd.DestroyWindow();
}

TEST_F(DoModal, AQuitEndsTheLoopAndIsPostedAgain) {
    CDerivedDlg dlg;
    dlg.act = [](CBaseDlg&) { PostQuitMessage(5); };
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.destroyCalls, 1);
    EXPECT_FALSE(::IsWindow(dlg.created));
    EXPECT_EQ(TakeQuit(), 5);
}

TEST_F(DoModal, AMissingTemplateGivesMinusOneAndNoWindow) {
    class CMissing : public CDialog {
    public:
        CMissing() : CDialog(IDD_MISSING) {}
        BOOL OnInitDialog() override {
            ADD_FAILURE() << "no dialog should be made";
            return TRUE;
        }
    } dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(DoModal, ADialogDestroyedDuringItsInitialisationEnds) {
    struct CSelfDestroying : CDerivedDlg {
        BOOL OnInitDialog() override {
            CDerivedDlg::OnInitDialog();
            ::DestroyWindow(m_hWnd);
            return TRUE;
        }
    } dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.postNcDestroyCalls, 1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

} // namespace
