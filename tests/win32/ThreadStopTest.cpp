#include <Watchdog.h>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <screen/HeadlessScreen.h>
#include <thread>
#include <win32/Kernel.h>
#include <win32/User.h>

namespace {

HWND g_target = nullptr;
std::atomic<int> g_reached{0};

HWND MakePlainWindow() {
    return CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
}

DWORD WINAPI SleepForever(LPVOID) {
    g_reached = 1;
    for (;;)
        Sleep(60000);
}

DWORD WINAPI SendToTarget(LPVOID) {
    g_reached = 1;
    SendMessageW(g_target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"x"));
    g_reached = 2;
    for (;;)
        Sleep(1000);
}

DWORD WINAPI ShowBox(LPVOID) {
    MessageBoxW(nullptr, L"Load ComputerZ_HardwareDll.dll failed.", L"Tarvik",
                MB_OK | MB_ICONWARNING);
    g_reached = 9; // never: the stop comes first
    return 1;
}

void WaitFor(int value) {
    while (g_reached.load() < value)
        std::this_thread::yield();
}

TEST(ThreadStop, EndsASleepingThreadPromptlyWithTheGivenCode) {
    testing_support::Watchdog watchdog;
    g_reached = 0;
    HANDLE t = CreateThread(nullptr, 0, SleepForever, nullptr, 0, nullptr);
    WaitFor(1);
    EXPECT_TRUE(TerminateThread(t, 0));
    DWORD code = STILL_ACTIVE;
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(TerminateThread(t, 3)); // an ended thread: nothing happens
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 0u);
}

TEST(ThreadStop, EndsAThreadBlockedSendingToAWindowThatNeverAnswers) {
    testing_support::Watchdog watchdog;
    g_reached = 0;
    // The target window belongs to a thread that does not pump messages.
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    std::atomic<bool> made{false};
    std::thread owner([&] {
        g_target = MakePlainWindow();
        made = true;
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return release; });
    });
    while (!made)
        std::this_thread::yield();
    HANDLE t = CreateThread(nullptr, 0, SendToTarget, nullptr, 0, nullptr);
    WaitFor(1);
    EXPECT_TRUE(TerminateThread(t, 0));
    EXPECT_EQ(g_reached.load(), 1); // the send never returned normally
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    owner.join();
}

TEST(ThreadStop, AThreadSendingToTheStopperIsAnsweredThenStopped) {
    testing_support::Watchdog watchdog;
    g_reached = 0;
    g_target = MakePlainWindow(); // ours: TerminateThread keeps answering it
    HANDLE t = CreateThread(nullptr, 0, SendToTarget, nullptr, 0, nullptr);
    WaitFor(1);
    EXPECT_TRUE(TerminateThread(t, 0));
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 0u);
    DestroyWindow(g_target);
}

TEST(ThreadStop, StoppingAThreadInAMessageBoxTakesTheBoxWithIt) {
    testing_support::Watchdog watchdog;
    screen::HeadlessScreen screen;
    g_reached = 0;
    HANDLE t = CreateThread(nullptr, 0, ShowBox, nullptr, 0, nullptr);
    ASSERT_TRUE(screen.WaitForMessageBoxes(1, 20000));
    const HWND box = screen.MessageBoxes()[0].box;
    EXPECT_TRUE(TerminateThread(t, 0));
    EXPECT_FALSE(IsWindow(box));
    EXPECT_NE(g_reached.load(), 9);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);
}

TEST(ThreadStop, ASuspendedThreadEndsWithoutRunning) {
    testing_support::Watchdog watchdog;
    g_reached = 0;
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, SleepForever, nullptr, CREATE_SUSPENDED, &id);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(GetThreadId(t), id);
    EXPECT_TRUE(TerminateThread(t, 4));
    DWORD code = 0;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 4u);
    EXPECT_EQ(g_reached.load(), 0);
}

} // namespace
