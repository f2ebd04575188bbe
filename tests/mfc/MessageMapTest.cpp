#include "TestDialogs.h"

#include <Watchdog.h>
#include <gtest/gtest.h>
#include <screen/HeadlessScreen.h>
#include <win32/Gdi.h>

namespace {

using Log = std::vector<std::wstring>;

// A handler of the wrong shape does not make an entry.
struct CWrongHandlers : CWnd {
    void OnSize(int, int, int) {}
    int OnMove(int, int) { return 0; }
    BOOL OnEraseBkgnd(CDC*) const { return TRUE; }
    void OnCommandWithArgument(int) {}
};
struct NotATarget {
    void OnSize(UINT, int, int) {}
};
template <auto P>
concept SizeEntryOk = requires {
    mfc::detail::SizeEntry<P>();
};
template <auto P>
concept MoveEntryOk = requires {
    mfc::detail::MoveEntry<P>();
};
template <auto P>
concept EraseEntryOk = requires {
    mfc::detail::EraseBkgndEntry<P>();
};
template <auto P>
concept CommandEntryOk = requires {
    mfc::detail::CommandEntry<P>(1, 0);
};
static_assert(SizeEntryOk<&CWnd::OnSize> && MoveEntryOk<&CWnd::OnMove> &&
              EraseEntryOk<&CWnd::OnEraseBkgnd> && CommandEntryOk<&CWinApp::OnHelp>);
static_assert(!SizeEntryOk<&CWrongHandlers::OnSize> && !MoveEntryOk<&CWrongHandlers::OnMove> &&
              !EraseEntryOk<&CWrongHandlers::OnEraseBkgnd> &&
              !CommandEntryOk<&CWrongHandlers::OnCommandWithArgument> &&
              !SizeEntryOk<&NotATarget::OnSize>);

class MessageMaps : public ::testing::Test {
protected:
    screen::HeadlessScreen screen;
    testing_support::Watchdog watchdog;
    void SetUp() override { RegisterTestDialog(); }
};

TEST_F(MessageMaps, EntriesUnpackTheirMessagesAndTheMostDerivedWins) {
    CDerivedDlg dlg;
    dlg.brush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    LRESULT erase = 0;
    std::vector<LRESULT> brushes;
    std::vector<UINT> ctlColors;
    HWND ok = nullptr;
    dlg.act = [&](CBaseDlg& d) {
        ok = ::GetDlgItem(d.m_hWnd, IDOK);
        d.SendMessage(WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(-5), static_cast<WORD>(-7)));
        d.SendMessage(WM_SIZE, 2, MAKELPARAM(300, 200));
        d.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON,
                      MAKELPARAM(static_cast<WORD>(-3), static_cast<WORD>(4)));
        d.SendMessage(WM_SHOWWINDOW, TRUE, 3);
        d.SendMessage(WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), reinterpret_cast<LPARAM>(ok));
        HDC dc = ::GetDC(d.m_hWnd);
        erase = d.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        for (UINT msg = WM_CTLCOLORMSGBOX; msg <= WM_CTLCOLORSTATIC; ++msg)
            brushes.push_back(
                d.SendMessage(msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(ok)));
        ::ReleaseDC(d.m_hWnd, dc);
        EXPECT_EQ(d.ctlColorWnd, ok);
        EXPECT_EQ(d.activateOther, ok);
        d.log.push_back(L"--");
        screen.Key(VK_RETURN); // IDOK is mapped by the derived dialog: it stays open
        screen.Key(VK_ESCAPE);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(erase, 7);
    EXPECT_EQ(brushes, std::vector<LRESULT>(7, reinterpret_cast<LRESULT>(dlg.brush)));
    const Log want = {L"derived.move -5 -7",
                      L"base.size 2 300 200",
                      L"lbutton 1 -3 4",
                      L"show 1 3",
                      L"activate 2 1",
                      L"base.erase 1",
                      L"ctlcolor 0 1",
                      L"ctlcolor 1 1",
                      L"ctlcolor 2 1",
                      L"ctlcolor 3 1",
                      L"ctlcolor 4 1",
                      L"ctlcolor 5 1",
                      L"ctlcolor 6 1",
                      L"--",
                      L"ok",
                      L"cancel"};
    ASSERT_GE(dlg.log.size(), want.size());
    EXPECT_EQ(Log(dlg.log.begin(), dlg.log.begin() + static_cast<long>(want.size())), want);
}

TEST_F(MessageMaps, AClickOnOkKeepsTheDialogAndCloseEndsItThroughOnCancel) {
    CDerivedDlg dlg;
    dlg.act = [&](CBaseDlg& d) {
        RECT r{};
        ::GetWindowRect(::GetDlgItem(d.m_hWnd, IDOK), &r);
        screen.Click(r.left + 3, r.top + 3);
    };
    dlg.onOk = [](CDerivedDlg& d) {
        EXPECT_TRUE(::IsWindowVisible(d.m_hWnd));
        d.PostMessage(WM_CLOSE);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    Log events;
    for (const auto& line : dlg.log)
        if (line == L"ok" || line == L"close" || line == L"cancel")
            events.push_back(line);
    EXPECT_EQ(events, (Log{L"ok", L"close", L"cancel"}));
}

TEST_F(MessageMaps, ABaseDialogAnswersWithItsOwnEntriesAndTheDefaults) {
    CBaseDlg dlg;
    LRESULT brush = 0;
    dlg.act = [&](CBaseDlg& d) {
        d.SendMessage(WM_MOVE, 0, MAKELPARAM(12, 34));
        // No brush of its own: the default processing answers.
        brush = d.SendMessage(WM_CTLCOLORDLG, 0, reinterpret_cast<LPARAM>(d.m_hWnd));
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); // CDialog::OnOK
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.log.front(), L"base.move 12 34");
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE)));
}

TEST_F(MessageMaps, UnansweredCommandsGoToTheApplication) {
    CBaseDlg dlg;
    const int before = TestApp().commands;
    dlg.act = [&](CBaseDlg& d) {
        EXPECT_EQ(d.SendMessage(WM_COMMAND, ID_TEST_COMMAND, 0), 1);
        EXPECT_EQ(d.SendMessage(WM_COMMAND, ID_HELP, 0), 1);
        EXPECT_EQ(d.SendMessage(WM_COMMAND, 0x7777, 0), 0);
        d.PostMessage(WM_CLOSE);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(TestApp().commands, before + 1);
}

// --- Default() on a subclassed window --------------------------------------------

struct Seen {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Seen&) const = default;
};
std::vector<Seen> g_seen;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SIZE || msg >= WM_USER)
        g_seen.push_back({msg, wParam, lParam});
    if (msg == WM_USER + 5)
        return 99;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class CSizeWnd : public CWnd {
public:
    void OnSize(UINT, int, int) {
        // A message handled in between does not change what Default passes on.
        SendMessage(WM_USER + 1, 11, 22);
        Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSizeWnd, CWnd)
ON_WM_SIZE()
END_MESSAGE_MAP()

TEST(Default, PassesTheCurrentMessageToTheSavedProcedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = L"MfcRecording";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, L"MfcRecording", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_TRUE(hwnd);
    g_seen.clear();
    {
        CSizeWnd wnd;
        ASSERT_TRUE(wnd.SubclassWindow(hwnd));
        EXPECT_EQ(CWnd::FromHandle(hwnd), &wnd);
        EXPECT_FALSE(wnd.SubclassWindow(hwnd)); // bound already
        SendMessageW(hwnd, WM_SIZE, 3, MAKELPARAM(10, 20));
        EXPECT_EQ(SendMessageW(hwnd, WM_USER + 5, 1, 2), 99); // unmapped: straight through
        EXPECT_EQ(g_seen, (std::vector<Seen>{{WM_USER + 1, 11, 22},
                                             {WM_SIZE, 3, MAKELPARAM(10, 20)},
                                             {WM_USER + 5, 1, 2}}));
        EXPECT_EQ(wnd.UnsubclassWindow(), hwnd);
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongW(hwnd, GWL_WNDPROC)), &RecordingProc);
    }
    EXPECT_TRUE(IsWindow(hwnd)); // an unbound object leaves its window alone
    CWnd* temporary = CWnd::FromHandle(hwnd);
    ASSERT_TRUE(temporary);
    EXPECT_EQ(temporary->m_hWnd, hwnd);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    {
        CWnd owner;
        ASSERT_TRUE(owner.Attach(hwnd));
    } // a bound object takes its window with it
    EXPECT_FALSE(IsWindow(hwnd));
    UnregisterClassW(L"MfcRecording", nullptr);
}

} // namespace
