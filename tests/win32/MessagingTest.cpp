#include <Watchdog.h>
#include <atomic>
#include <gtest/gtest.h>
#include <screen/HeadlessScreen.h>
#include <thread>
#include <win32/Kernel.h>
#include <win32/User.h>

namespace {

constexpr UINT kAsk = WM_APP + 1;
constexpr UINT kDone = WM_APP + 2;

std::atomic<DWORD> g_seenOn{0};

LRESULT CALLBACK AnsweringProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kAsk) {
        g_seenOn = GetCurrentThreadId();
        return static_cast<LRESULT>(wParam * 2);
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeWindow(WNDPROC proc, LPCWSTR cls) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = cls;
    RegisterClassExW(&wc);
    return CreateWindowExW(0, cls, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// Runs this thread's message loop until a kDone arrives.
void LoopUntilDone() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.message == kDone)
            return;
        DispatchMessageW(&msg);
    }
}

TEST(Messaging, SendFromAnotherThreadRunsOnTheOwnerAndWaitsForTheAnswer) {
    testing_support::Watchdog watchdog;
    HWND hwnd = MakeWindow(AnsweringProc, L"Answering");
    const DWORD ui = GetCurrentThreadId();
    LRESULT answer = 0;
    DWORD sender = 0;
    std::thread worker([&] {
        sender = GetCurrentThreadId();
        answer = SendMessageW(hwnd, kAsk, 21, 0);
        PostMessageW(hwnd, kDone, 0, 0);
    });
    LoopUntilDone();
    worker.join();
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(g_seenOn.load(), ui);
    EXPECT_NE(sender, ui);
    DestroyWindow(hwnd);
}

TEST(Messaging, SameThreadSendCallsTheProcedureDirectly) {
    HWND hwnd = MakeWindow(AnsweringProc, L"Answering");
    EXPECT_EQ(SendMessageW(hwnd, kAsk, 5, 0), 10);
    EXPECT_EQ(g_seenOn.load(), GetCurrentThreadId());
    DestroyWindow(hwnd);
}

// Two threads that send to each other's windows while both are blocked in a
// send: each answers the other's message from inside its own wait.
HWND g_windowOfB = nullptr;

LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kAsk && wParam == 1)
        return SendMessageW(g_windowOfB, kAsk, 2, 0) + 1; // A's window asks B's
    if (msg == kAsk && wParam == 3)
        return 300;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK BackProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
HWND g_windowOfA = nullptr;

LRESULT CALLBACK BackProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kAsk && wParam == 2)
        return SendMessageW(g_windowOfA, kAsk, 3, 0) + 2; // B's window asks A's back
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST(Messaging, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    testing_support::Watchdog watchdog;
    g_windowOfA = MakeWindow(ForwardingProc, L"A");
    std::atomic<bool> ready{false};
    std::atomic<bool> finish{false};
    std::thread b([&] {
        g_windowOfB = MakeWindow(BackProc, L"B");
        ready = true;
        MSG msg;
        while (!finish && GetMessageW(&msg, nullptr, 0, 0))
            DispatchMessageW(&msg);
        DestroyWindow(g_windowOfB);
    });
    while (!ready)
        std::this_thread::yield();
    // A thread C asks A's window, which asks B's, which asks A's again.
    LRESULT result = 0;
    std::thread c([&] {
        result = SendMessageW(g_windowOfA, kAsk, 1, 0);
        PostMessageW(g_windowOfA, kDone, 0, 0);
    });
    LoopUntilDone();
    c.join();
    finish = true;
    PostMessageW(g_windowOfB, WM_NULL, 0, 0);
    b.join();
    EXPECT_EQ(result, 303);
    DestroyWindow(g_windowOfA);
}

TEST(Messaging, SendToAWindowDestroyedMeanwhileReturnsZero) {
    testing_support::Watchdog watchdog;
    HWND hwnd = MakeWindow(AnsweringProc, L"Answering");
    std::atomic<bool> sending{false};
    std::atomic<bool> returned{false};
    LRESULT result = -1;
    std::thread worker([&] {
        sending = true;
        result = SendMessageW(hwnd, kAsk, 1, 0);
        returned = true;
    });
    while (!sending)
        std::this_thread::yield();
    // Destroyed before the owner looks at its queue again: whether the send
    // was queued before or after, it is answered with 0.
    DestroyWindow(hwnd);
    while (!returned) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        std::this_thread::yield();
    }
    worker.join();
    EXPECT_EQ(result, 0);
}

TEST(Messaging, SendToAThreadThatEndedReturnsZero) {
    testing_support::Watchdog watchdog;
    HWND orphan = nullptr;
    std::thread t([&] { orphan = MakeWindow(AnsweringProc, L"Answering"); });
    t.join();
    EXPECT_EQ(SendMessageW(orphan, kAsk, 1, 0), 0);
}

TEST(Messaging, PaintComesWhenTheQueueIsOtherwiseEmpty) {
    static std::vector<UINT> seen;
    seen.clear();
    HWND hwnd = MakeWindow(
        [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_PAINT || m == kAsk)
                seen.push_back(m);
            return DefWindowProcW(h, m, w, l);
        },
        L"Painted");
    ShowWindow(hwnd, SW_SHOWNA);
    PostMessageW(hwnd, kAsk, 0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    // The posted message first; then one paint, validated by DefWindowProcW.
    EXPECT_EQ(seen, (std::vector<UINT>{kAsk, WM_PAINT}));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST(Messaging, QuitEndsTheLoopWithItsCode) {
    PostQuitMessage(7);
    MSG msg;
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
}

} // namespace
