#include <DialogTemplateBuilder.h>
#include <Watchdog.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <mfc/WinApp.h>
#include <mutex>
#include <raster/Png.h>
#include <screen/HeadlessScreen.h>
#include <set>
#include <skin/ImgDialogBase.h>
#include <thread>
#include <vector>
#include <win32/Gdi.h>
#include <win32/Kernel.h>
#include <win32/ResourceTable.h>
#include <win32/Screen.h>
#include <win32/Testing.h>

namespace {

using testing_support::DialogTemplateBuilder;

constexpr UINT kDialog = 900;
constexpr UINT kCaretDialog = 902;
constexpr UINT kSkin = 901;
constexpr int kSkinW = 60, kSkinH = 80;
constexpr std::uint32_t kSkinColour = 0xFF6496C8; // opaque (100, 150, 200)
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0);

CWinApp g_app;

// A 60 × 80 skin: transparent 8-pixel corners, an opaque field elsewhere.
std::vector<std::uint8_t> SkinPng() {
    std::vector<std::uint32_t> px(kSkinW * kSkinH, kSkinColour);
    for (int y = 0; y < kSkinH; ++y)
        for (int x = 0; x < kSkinW; ++x)
            if ((x < 8 || x >= kSkinW - 8) && (y < 8 || y >= kSkinH - 8))
                px[y * kSkinW + x] = 0;
    return *raster::EncodePng(raster::ConstPixelView::TopDown(px.data(), kSkinW, kSkinH),
                              raster::Alpha::Straight);
}

void RegisterTestResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const auto png = SkinPng();
        static const auto dialog =
            DialogTemplateBuilder(WS_POPUP | WS_VISIBLE | DS_SETFONT, 0, 0, 100, 100)
                .Item(0x82, 10, L"", WS_CHILD | WS_VISIBLE, 4, 4, 20, 10)
                .Item(0x82, 11, L"", WS_CHILD | WS_VISIBLE, 12, 6, 20, 10)
                .Item(0x82, 12, L"hidden", WS_CHILD, 4, 30, 20, 10)
                .Bytes();
        static const auto caret =
            DialogTemplateBuilder(WS_POPUP | WS_VISIBLE | DS_SETFONT, 0, 0, 100, 100)
                .Item(0x81, 20, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 4, 4, 30, 12)
                .Bytes();
        static const win32::ResourceEntry entries[] = {
            {L"PNG", kSkin, 2052, png.data(), static_cast<DWORD>(png.size())},
            {RT_DIALOG, kDialog, 2052, dialog.data(), static_cast<DWORD>(dialog.size())},
            {RT_DIALOG, kCaretDialog, 2052, caret.data(), static_cast<DWORD>(caret.size())},
        };
        win32::RegisterResources(nullptr, entries, 3);
    });
}

class CTestDlg : public CImgDialogBase {
public:
    explicit CTestDlg(UINT idd = kDialog) : CImgDialogBase(idd, kSkin, L"PNG", nullptr, nullptr) {}
    ~CTestDlg() override {
        for (HBRUSH b : {m_red, m_green})
            DeleteObject(b);
    }

    std::function<void(CTestDlg&)> beforeInit;
    std::function<void(CTestDlg&)> afterInit;
    std::function<void(CTestDlg&)> duringDraw;
    int draws = 0;
    std::mutex alphasLock;
    std::vector<int> alphas;
    std::atomic<int> sentPaints{0};

    BOOL OnInitDialog() override {
        if (beforeInit)
            beforeInit(*this);
        CImgDialogBase::OnInitDialog();
        if (afterInit)
            afterInit(*this);
        return TRUE;
    }
    void OnDraw(Gdiplus::Graphics&) override {
        ++draws;
        {
            std::lock_guard lock(alphasLock);
            alphas.push_back(m_nAlpha.load());
        }
        if (duringDraw)
            duringDraw(*this);
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_PAINT && InSendMessage())
            ++sentPaints;
        return CImgDialogBase::WindowProc(msg, wParam, lParam);
    }
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        const int id = pWnd ? ::GetDlgCtrlID(pWnd->GetSafeHwnd()) : 0;
        if (id == 10)
            return m_red;
        if (id == 11)
            return m_green;
        return CImgDialogBase::OnCtlColor(pDC, pWnd, nCtlColor);
    }

    // What the tests look at.
    using CImgDialogBase::CtrlWndProc;
    using CImgDialogBase::HookControlUpdate;
    using CImgDialogBase::OnCancel;
    using CImgDialogBase::Refresh;
    using CImgDialogBase::UnhookControlUpdate;
    HWND Fake() const { return m_hFakeWnd; }
    BOOL Refreshing() const { return m_bRefreshing; }
    void Alpha(int a) { m_nAlpha = a; }
    std::size_t RecordsOf(const CImgDialogBase* dialog) const {
        std::size_t n = 0;
        for (const auto& [hwnd, info] : s_mpCtrl)
            n += info.pDialog == dialog;
        return n;
    }
    const CString& FakeClass() const { return m_strFakeClass; }

    DECLARE_MESSAGE_MAP()

private:
    HBRUSH m_red = CreateSolidBrush(kRed);
    HBRUSH m_green = CreateSolidBrush(kGreen);
};

BEGIN_MESSAGE_MAP(CTestDlg, CImgDialogBase)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// The composed picture as the display window holds it (premultiplied).
win32::WindowPicture Picture(HWND fake) {
    win32::WindowPicture p;
    win32::GetWindowPicture(fake, p);
    return p;
}

std::uint32_t At(const win32::WindowPicture& p, int x, int y) {
    return p.pixels[static_cast<std::size_t>(y) * p.width + x];
}

RECT ClientRectOf(HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    POINT tl{r.left, r.top}, br{r.right, r.bottom};
    ScreenToClient(dialog, &tl);
    ScreenToClient(dialog, &br);
    return RECT{tl.x, tl.y, br.x, br.y};
}

void EndNow(CTestDlg& d) {
    d.EndDialog(IDCANCEL);
}

class Skin : public ::testing::Test {
protected:
    screen::HeadlessScreen screen{400, 400, 0xFF000000};
    testing_support::Watchdog watchdog;
    void SetUp() override { RegisterTestResources(); }
};

TEST_F(Skin, TheDialogTakesTheSkinSizeAndComposesSkinAndControls) {
    CTestDlg dlg;
    dlg.afterInit = [&](CTestDlg& d) {
        // Children of a dialog that is not shown yet are not visible.
        ShowWindow(d.GetSafeHwnd(), SW_SHOWNA);
        RECT r{};
        GetWindowRect(d.GetSafeHwnd(), &r);
        EXPECT_EQ(r.right - r.left, kSkinW);
        EXPECT_EQ(r.bottom - r.top, kSkinH);
        d.Alpha(255);
        d.Refresh();
        const auto p = Picture(d.Fake());
        ASSERT_EQ(p.width, kSkinW);
        ASSERT_EQ(p.height, kSkinH);
        EXPECT_EQ(At(p, 0, 0), 0u); // corners stay fully transparent
        EXPECT_EQ(At(p, kSkinW - 1, kSkinH - 1), 0u);
        EXPECT_EQ(At(p, kSkinW / 2, kSkinH - 10), kSkinColour); // skin where nothing lies
        const RECT a = ClientRectOf(d.GetSafeHwnd(), 10);
        const RECT b = ClientRectOf(d.GetSafeHwnd(), 11);
        const RECT hidden = ClientRectOf(d.GetSafeHwnd(), 12);
        // Controls are opaque rectangles of their brushes; the later one is seen.
        EXPECT_EQ(At(p, a.left + 1, a.top + 1), 0xFFFF0000u);
        EXPECT_EQ(At(p, b.left + 1, a.bottom - 1), 0xFF00FF00u); // in both: the later wins
        EXPECT_EQ(At(p, b.right - 1, b.bottom - 1), 0xFF00FF00u);
        EXPECT_EQ(At(p, hidden.left + 1, hidden.top + 1), kSkinColour);
        EndNow(d);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(Skin, TheConstantAlphaFadesTheWholePictureEvenly) {
    CTestDlg dlg;
    dlg.afterInit = [&](CTestDlg& d) {
        SetWindowPos(d.Fake(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        const std::pair<int, std::uint32_t> cases[] = {
            {0, 0xFF000000u}, {255, kSkinColour}, {128, 0xFF324B64u}};
        for (auto [alpha, expected] : cases) {
            d.Alpha(alpha);
            d.Refresh();
            EXPECT_EQ(Picture(d.Fake()).constantAlpha, alpha);
            // Over the black desktop, a point of plain skin.
            EXPECT_EQ(screen.PixelAt(100 + kSkinW / 2, 100 + kSkinH - 10), expected) << alpha;
        }
        EndNow(d);
    };
    dlg.DoModal();
}

TEST_F(Skin, APushedPictureRestoresTheSkinSizeAtTheSamePlace) {
    CTestDlg dlg;
    dlg.afterInit = [&](CTestDlg& d) {
        SetWindowPos(d.Fake(), nullptr, 30, 40, 10, 10, SWP_NOZORDER);
        d.Refresh();
        RECT r{};
        GetWindowRect(d.Fake(), &r);
        EXPECT_EQ(r.left, 30);
        EXPECT_EQ(r.top, 40);
        EXPECT_EQ(r.right - r.left, kSkinW);
        EXPECT_EQ(r.bottom - r.top, kSkinH);
        EndNow(d);
    };
    dlg.DoModal();
}

TEST_F(Skin, ACompositionStartedDuringOneIsDropped) {
    CTestDlg dlg;
    dlg.afterInit = [&](CTestDlg& d) {
        BOOL inside = FALSE;
        d.duringDraw = [&](CTestDlg& dd) {
            inside = dd.Refreshing();
            dd.duringDraw = nullptr;
            dd.Refresh(); // returns at once
        };
        const int before = d.draws;
        d.Refresh();
        EXPECT_EQ(d.draws, before + 1);
        EXPECT_TRUE(inside);
        EXPECT_FALSE(d.Refreshing());
        EndNow(d);
    };
    dlg.DoModal();
}

TEST_F(Skin, RefreshWithoutADisplayWindowDoesNothing) {
    CTestDlg dlg; // no window yet
    dlg.Refresh();
    EXPECT_EQ(dlg.draws, 0);
    EXPECT_FALSE(dlg.Refreshing());
}

TEST_F(Skin, AThousandCompositionsLeaveTheGdiObjectCount) {
    CTestDlg dlg;
    dlg.afterInit = [&](CTestDlg& d) {
        d.Refresh();
        const std::size_t before = win32::GdiObjectCount();
        for (int i = 0; i < 1000; ++i)
            d.Refresh();
        EXPECT_EQ(win32::GdiObjectCount(), before);
        EndNow(d);
    };
    dlg.DoModal();
}

TEST_F(Skin, OnlyPaintColourRequestsAndCaptureChangesRecompose) {
    CTestDlg dlg;
    dlg.afterInit = [&](CTestDlg& d) {
        HWND h = d.GetSafeHwnd();
        const std::pair<UINT, int> cases[] = {
            {0x0132, 1}, {0x0138, 1},        {WM_CAPTURECHANGED, 1}, {WM_PAINT, 1}, {0x0131, 0},
            {0x0139, 0}, {WM_ERASEBKGND, 0}, {WM_SETTEXT, 0},        {WM_PRINT, 0},
        };
        for (auto [msg, composes] : cases) {
            const int before = d.draws;
            SendMessageW(h, msg, 0, 0);
            EXPECT_EQ(d.draws - before, composes) << std::hex << msg;
        }
        // The brush the dialog hands out reaches the control unchanged.
        HWND a = GetDlgItem(h, 10);
        HBRUSH brush = reinterpret_cast<HBRUSH>(
            SendMessageW(h, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(a)));
        EXPECT_NE(brush, nullptr);
        EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
        EndNow(d);
    };
    dlg.DoModal();
}

TEST_F(Skin, HookingReachesGrandchildrenAndAWindowWithoutRecordGetsTheDefault) {
    CTestDlg dlg;
    HWND grandchild = nullptr;
    dlg.beforeInit = [&](CTestDlg& d) {
        grandchild = CreateWindowExW(0, L"Static", L"g", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5,
                                     GetDlgItem(d.GetSafeHwnd(), 10), nullptr, nullptr, nullptr);
    };
    dlg.afterInit = [&](CTestDlg& d) {
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongW(grandchild, GWL_WNDPROC)),
                  &CTestDlg::CtrlWndProc);
        // Its colour request to its parent composes, and so does its paint.
        int before = d.draws;
        SendMessageW(grandchild, WM_PAINT, 0, 0);
        EXPECT_EQ(d.draws, before + 2);
        // A window carrying the hook procedure without a record.
        HWND stray = CreateWindowExW(0, L"Static", L"stray", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr,
                                     nullptr, nullptr);
        SetWindowLongW(stray, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CTestDlg::CtrlWndProc));
        before = d.draws;
        EXPECT_EQ(SendMessageW(stray, WM_GETTEXTLENGTH, 0, 0), 5);
        SendMessageW(stray, WM_PAINT, 0, 0);
        EXPECT_EQ(d.draws, before);
        DestroyWindow(stray);
        EndNow(d);
    };
    dlg.DoModal();
    // The records stay after the windows are gone: the dialog, 3 controls, 1 grandchild.
    EXPECT_EQ(dlg.RecordsOf(&dlg), 5u);
}

TEST_F(Skin, UnhookingALiveWindowGivesItsProcedureBackAndHookingTwiceKeepsIt) {
    CTestDlg dlg;
    dlg.afterInit = [&](CTestDlg& d) {
        HWND a = GetDlgItem(d.GetSafeHwnd(), 10);
        d.HookControlUpdate(a); // a second time
        SetWindowTextW(a, L"twice");
        wchar_t text[16]{};
        GetWindowTextW(a, text, 16);
        EXPECT_STREQ(text, L"twice");
        EXPECT_EQ(SendMessageW(a, WM_NCHITTEST, 0, 0), HTTRANSPARENT); // its own procedure
        d.UnhookControlUpdate(a);
        EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongW(a, GWL_WNDPROC)),
                  &CTestDlg::CtrlWndProc);
        EXPECT_EQ(SendMessageW(a, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
        d.UnhookControlUpdate(nullptr); // changes nothing
        EndNow(d);
    };
    dlg.DoModal();
}

TEST_F(Skin, AFocusedEditGetsAThirteenPixelCaretLine) {
    CTestDlg dlg(kCaretDialog);
    dlg.afterInit = [&](CTestDlg& d) {
        ShowWindow(d.GetSafeHwnd(), SW_SHOWNA);
        HWND edit = GetDlgItem(d.GetSafeHwnd(), 20);
        SetFocus(edit);
        SetCaretPos(5, 2);
        d.Alpha(255);
        d.Refresh();
        const auto p = Picture(d.Fake());
        const RECT e = ClientRectOf(d.GetSafeHwnd(), 20);
        const int x = e.left + 5, y = e.top + 2;
        for (int dy = 0; dy < 13; ++dy)
            EXPECT_EQ(At(p, x, y + dy), 0xFF000000u) << dy;
        EXPECT_NE(At(p, x + 1, y + 5), 0xFF000000u);
        EndNow(d);
    };
    dlg.DoModal();
}

TEST_F(Skin, AFadeStoresNineAlphasAndAPanelWrittenFromAnotherThreadShows) {
    CTestDlg dlg;
    std::vector<std::uint32_t> before, after;
    RECT a{};
    std::thread user;
    dlg.afterInit = [&](CTestDlg& d) {
        HWND h = d.GetSafeHwnd();
        HWND fake = d.Fake();
        a = ClientRectOf(h, 10);
        user = std::thread([&, h, fake] {
            while (d.sentPaints.load() < 9)
                std::this_thread::yield();
            auto region = [&] {
                const auto p = Picture(fake);
                std::vector<std::uint32_t> px;
                for (int y = a.top; y < a.bottom; ++y)
                    for (int x = a.left; x < a.right; ++x)
                        px.push_back(At(p, x, y));
                return px;
            };
            before = region();
            SetDlgItemTextW(h, 10, L"温度 45℃");
            // The change is composed on the UI thread when the panel repaints.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while ((after = region()) == before && std::chrono::steady_clock::now() < end)
                std::this_thread::yield();
            PostMessageW(h, WM_CLOSE, 0, 0);
        });
    };
    dlg.DoModal();
    user.join();
    EXPECT_NE(before, after);
    EXPECT_EQ(dlg.sentPaints.load(), 9);
    std::set<int> seen(dlg.alphas.begin(), dlg.alphas.end());
    for (int alpha : {30, 60, 90, 120, 150, 180, 210, 240, 255})
        EXPECT_TRUE(seen.count(alpha)) << alpha;
    for (int alpha : seen)
        EXPECT_TRUE(alpha % 30 == 0 || alpha == 255) << alpha;
}

TEST_F(Skin, APressOnAPanelDragsTheDialogAndTheDisplayWindowFollows) {
    CTestDlg dlg;
    RECT start{}, moved{}, fakeMoved{};
    std::thread user;
    dlg.afterInit = [&](CTestDlg& d) {
        HWND h = d.GetSafeHwnd();
        HWND fake = d.Fake();
        GetWindowRect(h, &start);
        user = std::thread([&, h, fake] {
            while (!IsWindowVisible(h)) // the press must find the dialog on screen
                std::this_thread::yield();
            RECT panel{};
            GetWindowRect(GetDlgItem(h, 10), &panel);
            const int x = panel.left + 2, y = panel.top + 2;
            screen.PressLeft(x, y);
            screen.MoveMouse(x + 20, y + 5);
            screen.MoveMouse(x + 40, y + 30);
            screen.ReleaseLeft(x + 40, y + 30);
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            do {
                GetWindowRect(h, &moved);
                GetWindowRect(fake, &fakeMoved);
            } while ((moved.left != start.left + 40 || fakeMoved.left != moved.left) &&
                     std::chrono::steady_clock::now() < end);
            PostMessageW(h, WM_CLOSE, 0, 0);
        });
    };
    dlg.DoModal();
    user.join();
    EXPECT_EQ(moved.left, start.left + 40);
    EXPECT_EQ(moved.top, start.top + 30);
    EXPECT_EQ(fakeMoved.left, moved.left);
    EXPECT_EQ(fakeMoved.top, moved.top);
}

TEST_F(Skin, TheDisplayWindowIsGoneAfterCancelAndItsClassNameFollowsTheTick) {
    win32::SetTickCountSourceForTesting([] { return DWORD{255}; });
    CTestDlg dlg;
    win32::SetTickCountSourceForTesting(nullptr);
    EXPECT_EQ(dlg.FakeClass(), CString(L"FakeWndFF"));
    HWND fake = nullptr;
    dlg.afterInit = [&](CTestDlg& d) {
        fake = d.Fake();
        EXPECT_EQ(GetWindow(fake, GW_OWNER), d.GetSafeHwnd());
        d.EndDialog(IDCANCEL);
        d.OnCancel();
        d.OnCancel(); // the second finds no display window
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(IsWindow(fake));
    EXPECT_FALSE(UnregisterClassW(dlg.FakeClass(), GetModuleHandleW(nullptr))); // already gone
}

} // namespace
