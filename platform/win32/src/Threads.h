#pragma once

// Per-thread state of the layer: the thread's id, its message queue and the
// stop request that its waiting points honour.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <win32/User.h>

namespace win32::detail {

// Thrown at a waiting point of a thread whose stop was requested; the thread
// entry catches it. Not derived from std::exception, so that code catching
// library errors does not swallow it.
struct ThreadStopped {};

class ThreadQueue;

// A message sent from another thread: the sender waits until `done`.
struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;      // guarded by the sender queue's mutex
    bool abandoned = false; // the sender stopped waiting; guarded by the target queue's mutex
    bool taken = false;     // the target is handling it; guarded by the target queue's mutex
    std::shared_ptr<ThreadQueue> sender;
};

// Internal posted messages that carry raw input; turned into window
// messages by the thread that retrieves them.
inline constexpr UINT kRawMouse = 0xC100;
inline constexpr UINT kRawKey = 0xC101;
inline constexpr UINT kRawChar = 0xC102;

class ThreadQueue {
public:
    explicit ThreadQueue(DWORD threadId);
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    DWORD ThreadId() const { return m_threadId; }

    // Wakes the owner from any wait.
    void Wake();
    // Blocks until woken, the deadline passes or an event source of the
    // installed screen is ready. Returns at once if a wake is pending.
    void WaitForWake(std::optional<std::chrono::steady_clock::time_point> deadline);

    std::mutex mutex;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> incoming;
    bool quitPosted = false;
    int quitCode = 0;
    bool dead = false; // the thread has ended; nothing more is delivered
    std::atomic<bool> stopRequested{false};

private:
    DWORD m_threadId;
    int m_wakeFd = -1;
};

DWORD NewThreadId();
// Makes `queue` the calling thread's queue (a thread started by CreateThread
// gets the queue its creator made, so that a stop can reach it at once).
void AdoptQueue(std::shared_ptr<ThreadQueue> queue);

// The calling thread's queue, created on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();
DWORD CurrentThreadId();
// The calling thread's id if it has one already (0 otherwise); safe at exit.
DWORD KnownThreadId();
std::shared_ptr<ThreadQueue> QueueOf(DWORD threadId);

// A waiting point: throws ThreadStopped once when this thread's stop has been
// requested. Later calls during the unwinding return true instead, so that
// cleanup code does not wait.
bool StopPoint();

// Handles every message sent to this thread's windows from other threads.
void ProcessSentMessages();

// Calls the window's current procedure on this thread.
LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace win32::detail
