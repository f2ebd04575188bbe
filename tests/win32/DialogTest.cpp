#include "DialogTemplate.h"

#include <DialogTemplateBuilder.h>
#include <Watchdog.h>
#include <atomic>
#include <gtest/gtest.h>
#include <screen/HeadlessScreen.h>
#include <thread>
#include <win32/Kernel.h>
#include <win32/User.h>

namespace {

using testing_support::DialogTemplateBuilder;

constexpr UINT kAct = WM_APP + 7;

DialogTemplateBuilder OkCancelDialog(DWORD style = WS_POPUP | WS_VISIBLE | DS_SETFONT) {
    DialogTemplateBuilder b(style, 10, 20, 325, 265);
    b.Item(0x80, IDOK, L"确定", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 249, 177, 50,
           14)
        .Item(0x82, 1000, L"CPU", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFTNOWORDWRAP, 27, 22, 76,
              51)
        .Item(0x80, IDCANCEL, L"X", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_FLAT, 89, 187, 12, 11,
              WS_EX_TRANSPARENT);
    return b;
}

struct Recorder {
    std::vector<int> commands;
    std::function<void(HWND)> act;
    bool visibleAtInit = true;
};
Recorder* g_rec = nullptr;

INT_PTR CALLBACK RecordingDialog(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        g_rec->visibleAtInit = IsWindowVisible(hwnd) != FALSE;
        PostMessageW(hwnd, kAct, 0, 0);
        return TRUE;
    case kAct:
        g_rec->act(hwnd);
        return TRUE;
    case WM_COMMAND:
        g_rec->commands.push_back(LOWORD(wParam));
        if (LOWORD(wParam) == IDCANCEL)
            EndDialog(hwnd, 55);
        return TRUE;
    default:
        return FALSE;
    }
}

class Dialogs : public ::testing::Test {
protected:
    screen::HeadlessScreen screen;
    testing_support::Watchdog watchdog;
    Recorder rec;
    void SetUp() override { g_rec = &rec; }
    INT_PTR Run(const DialogTemplateBuilder& b) {
        return DialogBoxIndirectParamW(nullptr, b.Data(), nullptr, RecordingDialog, 0);
    }
};

TEST_F(Dialogs, EnterGivesTheDefaultButtonAndEscapeCancels) {
    rec.act = [](HWND) {
        win32::InjectKey(VK_RETURN, true);
        win32::InjectKey(VK_RETURN, false);
        win32::InjectKey(VK_ESCAPE, true);
    };
    EXPECT_EQ(Run(OkCancelDialog()), 55);
    EXPECT_EQ(rec.commands, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_FALSE(rec.visibleAtInit); // shown only after WM_INITDIALOG
}

TEST_F(Dialogs, CloseBecomesCancel) {
    rec.act = [](HWND hwnd) { PostMessageW(hwnd, WM_CLOSE, 0, 0); };
    EXPECT_EQ(Run(OkCancelDialog()), 55);
    EXPECT_EQ(rec.commands, std::vector<int>{IDCANCEL});
}

TEST_F(Dialogs, ClickingAButtonSendsItsCommand) {
    rec.act = [this](HWND hwnd) {
        RECT r{};
        GetWindowRect(GetDlgItem(hwnd, IDCANCEL), &r);
        screen.Click(r.left + 2, r.top + 2);
    };
    EXPECT_EQ(Run(OkCancelDialog()), 55);
    EXPECT_EQ(rec.commands, std::vector<int>{IDCANCEL});
}

TEST_F(Dialogs, ControlsAreMadeInTemplateOrderWithDialogUnitsConverted) {
    rec.act = [](HWND hwnd) {
        HWND first = GetWindow(hwnd, GW_CHILD);
        EXPECT_EQ(GetDlgCtrlID(first), IDOK);
        EXPECT_EQ(GetDlgCtrlID(GetWindow(first, GW_HWNDNEXT)), 1000);
        EXPECT_EQ(GetFocus(), first); // the first tab stop
        RECT dialog{};
        GetWindowRect(hwnd, &dialog);
        LONG units = GetDialogBaseUnits();
        const int bx = LOWORD(static_cast<DWORD>(units));
        const int by = HIWORD(static_cast<DWORD>(units));
        EXPECT_NEAR(dialog.right - dialog.left, 325 * bx / 4, 1);
        EXPECT_NEAR(dialog.bottom - dialog.top, 265 * by / 8, 1);
        EXPECT_NEAR(static_cast<double>(dialog.right - dialog.left) / 325, 1.5, 0.2);
        wchar_t text[16]{};
        GetDlgItemTextW(hwnd, IDOK, text, 16);
        EXPECT_STREQ(text, L"确定");
        EXPECT_EQ(GetForegroundWindow(), hwnd); // a visible template shows and activates
        EndDialog(hwnd, 1);
    };
    EXPECT_EQ(Run(OkCancelDialog()), 1);
}

TEST_F(Dialogs, SendFromAnotherThreadCompletesInsideTheModalLoop) {
    std::thread worker;
    std::atomic<bool> sent{false};
    rec.act = [&](HWND hwnd) {
        worker = std::thread([&, hwnd] {
            SetDlgItemTextW(hwnd, 1000, L"45℃");
            sent = true;
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        });
    };
    EXPECT_EQ(Run(OkCancelDialog()), 55);
    worker.join();
    EXPECT_TRUE(sent);
}

TEST_F(Dialogs, SendFromAnotherThreadCompletesWhileAMessageBoxIsOpen) {
    HWND hwnd = CreateWindowExW(0, L"Static", L"panel", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    std::thread worker([&] {
        ASSERT_TRUE(screen.WaitForMessageBoxes(1, 20000));
        SetWindowTextW(hwnd, L"written"); // owner is inside the box's loop
        screen.AnswerMessageBox(screen.MessageBoxes()[0].box);
    });
    EXPECT_EQ(MessageBoxW(nullptr, L"Load failed.", L"Tarvik", MB_OK | MB_ICONWARNING), IDOK);
    worker.join();
    wchar_t text[16]{};
    GetWindowTextW(hwnd, text, 16);
    EXPECT_STREQ(text, L"written");
    auto boxes = screen.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Load failed.");
    EXPECT_EQ(boxes[0].caption, L"Tarvik");
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONWARNING);
    EXPECT_FALSE(IsWindow(boxes[0].box));
    DestroyWindow(hwnd);
}

TEST(MessageBox, ALongTextIsCutSoThatTheBoxAndItsButtonStayOnTheScreen) {
    testing_support::Watchdog watchdog;
    screen::HeadlessScreen screen;
    std::wstring text;
    for (int i = 0; i < 500; ++i)
        text += L"line " + std::to_wstring(i) + L"\r\n";
    RECT box{}, ok{};
    std::thread user([&] {
        ASSERT_TRUE(screen.WaitForMessageBoxes(1, 20000));
        const HWND hwnd = screen.MessageBoxes()[0].box;
        GetWindowRect(hwnd, &box);
        GetWindowRect(GetDlgItem(hwnd, IDOK), &ok);
        screen.AnswerMessageBox(hwnd);
    });
    EXPECT_EQ(MessageBoxW(nullptr, text.c_str(), L"Report", MB_OK), IDOK);
    user.join();
    const SIZE size = screen.ScreenSize();
    EXPECT_GE(box.top, 0);
    EXPECT_LE(box.bottom, size.cy);
    EXPECT_GT(ok.bottom, ok.top);
    EXPECT_LE(ok.bottom, box.bottom);
    EXPECT_EQ(screen.MessageBoxes()[0].text, text); // what was asked is kept whole
}

TEST(DialogTemplate, ReaderRejectsEveryTruncation) {
    const auto bytes = OkCancelDialog().Bytes();
    auto full = win32::detail::ParseDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(full);
    EXPECT_EQ(full->items.size(), 3u);
    EXPECT_EQ(full->face, L"MS Shell Dlg");
    EXPECT_EQ(full->items[0].title, L"确定");
    EXPECT_EQ(full->items[2].exStyle, WS_EX_TRANSPARENT);
    EXPECT_EQ(full->items[1].className, L"Static");
    for (std::size_t n = 0; n < bytes.size() - 1; ++n)
        EXPECT_FALSE(win32::detail::ParseDialogTemplate(bytes.data(), n)) << n;
    EXPECT_FALSE(win32::detail::ParseDialogTemplate(nullptr, 100));
}

// Found by fuzzing: a header that claims 65535 items made the reader set
// aside room for all of them before reading the first. Such a template fails
// like any other truncation, and one whose count is smaller than its items
// reads only the items counted.
TEST(DialogTemplate, TheItemCountIsOnlyAClaim) {
    auto bytes = OkCancelDialog().Bytes();
    constexpr std::size_t kCountAt = 16;
    bytes[kCountAt] = 0xFF;
    bytes[kCountAt + 1] = 0xFF;
    EXPECT_FALSE(win32::detail::ParseDialogTemplate(bytes.data(), bytes.size()));
    bytes[kCountAt] = 1;
    bytes[kCountAt + 1] = 0;
    const auto one = win32::detail::ParseDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(one);
    EXPECT_EQ(one->items.size(), 1u);
    EXPECT_EQ(one->items[0].title, L"确定");
}

} // namespace
