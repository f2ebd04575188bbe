#include "TestDialogs.h"

#include <Watchdog.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <mfc/FileFind.h>
#include <screen/HeadlessScreen.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

TEST(Application, IsNamedAfterTheExecutable) {
    EXPECT_EQ(AfxGetApp(), &TestApp());
    EXPECT_STREQ(AfxGetAppName(), L"mfc_tests");
    EXPECT_STREQ(TestApp().m_pszAppName, L"mfc_tests");
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleW(nullptr));
    EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandleW(nullptr));
}

TEST(Application, WinMainRunsInitInstanceThenExitsOrRuns) {
    int inits = 0;
    TestApp().init = [&] {
        ++inits;
        return FALSE;
    };
    EXPECT_EQ(AfxWinMain(), 7); // ExitInstance's code
    TestApp().init = [&] {
        ++inits;
        PostQuitMessage(0);
        return TRUE;
    };
    EXPECT_EQ(AfxWinMain(), 7); // Run until the quit, then ExitInstance
    EXPECT_EQ(inits, 2);
    TestApp().init = nullptr;
    EXPECT_TRUE(TestApp().OnCmdMsg(ID_HELP, 0)); // OnHelp takes the command
}

TEST(Application, ResourcesAreFoundInTheExecutableWhenTheCurrentModuleLacksThem) {
    RegisterTestDialog();
    HINSTANCE other = reinterpret_cast<HINSTANCE>(0x5150);
    AfxSetResourceHandle(other);
    EXPECT_EQ(AfxGetResourceHandle(), other);
    EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCEW(IDD_TEST), RT_DIALOG),
              GetModuleHandleW(nullptr));
    AfxSetResourceHandle(nullptr);
}

class MessageBoxes : public ::testing::Test {
protected:
    screen::HeadlessScreen screen;
    testing_support::Watchdog watchdog;

    // Answers the `n`-th box from another thread and returns its record.
    std::future<screen::MessageBoxRecord> AnswerBox(std::size_t n) {
        return std::async(std::launch::async, [this, n] {
            screen::MessageBoxRecord record;
            if (screen.WaitForMessageBoxes(n, 20000)) {
                record = screen.MessageBoxes()[n - 1];
                screen.AnswerMessageBox(record.box);
            }
            return record;
        });
    }
};

TEST_F(MessageBoxes, AfxMessageBoxIsCaptionedWithTheAppNameAndGetsTheDefaultIcon) {
    struct Case {
        UINT type;
        UINT shown;
    };
    const Case cases[] = {
        {MB_OK, MB_OK | MB_ICONEXCLAMATION},
        {MB_OK | MB_ICONHAND, MB_OK | MB_ICONHAND},
        {0x4 /* MB_YESNO */, 0x4 | MB_ICONQUESTION},
    };
    std::size_t n = 0;
    for (const Case& c : cases) {
        auto answer = AnswerBox(++n);
        EXPECT_EQ(AfxMessageBox(L"OpenHardwareMonitorLib.dll not found.", c.type), IDOK);
        const auto record = answer.get();
        EXPECT_EQ(record.text, L"OpenHardwareMonitorLib.dll not found.");
        EXPECT_EQ(record.caption, L"mfc_tests");
        EXPECT_EQ(record.type, c.shown);
        EXPECT_FALSE(IsWindow(record.box));
    }
}

TEST_F(MessageBoxes, AfxMessageBoxFromAWorkerIsOwnedByTheMainWindow) {
    HWND main = CreateWindowExW(0, L"Static", L"main", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr,
                                nullptr, nullptr, nullptr);
    CWnd mainWnd;
    ASSERT_TRUE(mainWnd.Attach(main));
    TestApp().m_pMainWnd = &mainWnd;
    std::atomic<HWND> owner{nullptr};
    std::thread worker([&] {
        // The owner is read while the box is up, from the box's own thread.
        std::thread answer([&] {
            if (screen.WaitForMessageBoxes(1, 20000)) {
                const auto record = screen.MessageBoxes()[0];
                owner = GetWindow(record.box, GW_OWNER);
                screen.AnswerMessageBox(record.box);
            }
        });
        EXPECT_EQ(AfxMessageBox(L"Load ComputerZ_HardwareDll.dll failed."), IDOK);
        answer.join();
    });
    worker.join();
    EXPECT_EQ(owner.load(), main);
    EXPECT_TRUE(IsWindowEnabled(main)); // another thread's box leaves it usable
    TestApp().m_pMainWnd = nullptr;
}

TEST_F(MessageBoxes, CWndMessageBoxTakesTheAppNameWhenNoCaptionIsGiven) {
    HWND hwnd = CreateWindowExW(0, L"Static", L"dlg", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr,
                                nullptr, nullptr, nullptr);
    CWnd wnd;
    ASSERT_TRUE(wnd.Attach(hwnd));
    auto first = AnswerBox(1);
    EXPECT_EQ(wnd.MessageBoxW(L"report"), IDOK);
    auto second = AnswerBox(2);
    EXPECT_EQ(wnd.MessageBoxW(L"", L"Own"), IDOK);
    const auto a = first.get();
    const auto b = second.get();
    EXPECT_EQ(a.caption, L"mfc_tests");
    EXPECT_EQ(a.type, MB_OK); // no icon added here
    EXPECT_EQ(b.caption, L"Own");
    EXPECT_EQ(b.text, L"");
}

TEST(Threads, AfxBeginThreadRunsTheProcedure) {
    testing_support::Watchdog watchdog;
    struct Shared {
        std::promise<int> ran;
    } shared;
    auto proc = [](LPVOID p) -> UINT {
        static_cast<Shared*>(p)->ran.set_value(GetCurrentThreadId() != 0 ? 1 : 0);
        return 0;
    };
    EXPECT_NE(AfxBeginThread(proc, &shared), nullptr); // deletes itself: not used after
    EXPECT_EQ(shared.ran.get_future().get(), 1);

    // Suspended, and kept: the caller owns it.
    Shared second;
    CWinThread* thread = AfxBeginThread(proc, &second, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    EXPECT_NE(thread->m_hThread, nullptr);
    EXPECT_NE(thread->m_nThreadID, 0u);
    thread->ResumeThread();
    EXPECT_EQ(WaitForSingleObject(thread->m_hThread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(second.ran.get_future().get(), 1);
    delete thread;
    EXPECT_EQ(AfxBeginThread(nullptr, nullptr), nullptr);
}

TEST(FileFind, LooksInTheCurrentDirectoryOnly) {
    const fs::path root = fs::temp_directory_path() / ("mfc_filefind_" + std::to_string(getpid()));
    fs::create_directories(root / "here");
    fs::create_directories(root / "elsewhere");
    std::ofstream(root / "here" / "OpenHardwareMonitorLib.dll") << "x";
    std::ofstream(root / "elsewhere" / "Other.dll") << "x";
    const fs::path before = fs::current_path();
    fs::current_path(root / "here");

    CFileFind finder;
    EXPECT_TRUE(finder.FindFile(L"OpenHardwareMonitorLib.dll"));
    finder.FindNextFile();
    EXPECT_EQ(finder.GetFileName(), L"OpenHardwareMonitorLib.dll");
    EXPECT_FALSE(finder.FindFile(L"Other.dll"));
    EXPECT_FALSE(finder.FindFile(L""));
    EXPECT_TRUE(finder.FindFile(L"*.dll"));
    EXPECT_FALSE(finder.FindNextFile()); // the one match is the last
    EXPECT_EQ(finder.GetFileName(), L"OpenHardwareMonitorLib.dll");
    EXPECT_TRUE(finder.FindFile(L"../elsewhere/Other.dll")); // a path is a path
    finder.Close();
    EXPECT_EQ(finder.GetFileName(), L"");

    fs::current_path(before);
    fs::remove_all(root);
}

} // namespace
