#include "Threads.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unordered_map>
#include <win32/Kernel.h>
#include <win32/Testing.h>

namespace win32::detail {
namespace {

struct ThreadRecord {
    DWORD id = 0;
    std::shared_ptr<ThreadQueue> queue;
    std::mutex mutex;
    std::condition_variable cv;
    bool started = false; // false while CREATE_SUSPENDED holds it
    // Stopped before it was ever let run: its procedure never starts. A
    // thread that was let run starts even when the stop comes before it is
    // scheduled, and ends at its first waiting point, so that what the
    // procedure sets up to clean after itself always runs.
    bool stoppedSuspended = false;
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
    DWORD stopCode = 0;
    std::vector<std::shared_ptr<ThreadQueue>> waiters; // woken when the thread ends
};

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<HANDLE, std::shared_ptr<ThreadRecord>> threads;
    std::uintptr_t next = 0x1000;
};

HandleTable& Handles() {
    static HandleTable* table = new HandleTable;
    return *table;
}

std::shared_ptr<ThreadRecord> FindThread(HANDLE handle) {
    std::lock_guard lock(Handles().mutex);
    auto it = Handles().threads.find(handle);
    return it == Handles().threads.end() ? nullptr : it->second;
}

void RunThread(std::shared_ptr<ThreadRecord> record, LPTHREAD_START_ROUTINE start, LPVOID param) {
    AdoptQueue(record->queue);
    {
        std::unique_lock lock(record->mutex);
        record->cv.wait(lock, [&] { return record->started; });
    }
    DWORD code = 0;
    try {
        bool skip;
        {
            std::lock_guard lock(record->mutex);
            skip = record->stoppedSuspended;
        }
        if (!skip)
            code = start(param);
        else
            code = record->stopCode;
    } catch (const ThreadStopped&) {
        std::lock_guard lock(record->mutex);
        code = record->stopCode;
    } catch (...) {
        // A thread that fails ends quietly; the rest of the process goes on.
        code = 1;
    }
    std::vector<std::shared_ptr<ThreadQueue>> waiters;
    {
        std::lock_guard lock(record->mutex);
        record->exitCode = code;
        record->ended = true;
        waiters.swap(record->waiters);
        // A handle that is never closed keeps the record, not the queue and
        // its wake descriptor.
        record->queue.reset();
    }
    record->cv.notify_all();
    for (auto& q : waiters)
        q->Wake();
}

thread_local DWORD t_lastError = 0;

// The process's end ends its threads, as the platform's process exit does:
// every thread still running is stopped (at its next waiting point) before
// the static objects are destroyed, so that none of them runs on into
// objects that are going away. A thread that does not reach a waiting point
// in time is left behind.
void StopAllThreadsAtExit() {
    std::vector<std::shared_ptr<ThreadRecord>> running;
    {
        std::lock_guard lock(Handles().mutex);
        for (auto& [handle, record] : Handles().threads)
            running.push_back(record);
    }
    const DWORD self = KnownThreadId();
    for (auto& record : running) {
        if (record->id == self)
            continue;
        std::shared_ptr<ThreadQueue> queue;
        {
            std::lock_guard lock(record->mutex);
            if (record->ended)
                continue;
            record->stoppedSuspended = !record->started;
            record->started = true;
            queue = record->queue;
        }
        queue->stopRequested = true;
        queue->Wake();
        record->cv.notify_all();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (auto& record : running) {
        if (record->id == self)
            continue;
        std::unique_lock lock(record->mutex);
        record->cv.wait_until(lock, deadline, [&] { return record->ended; });
    }
}

} // namespace
} // namespace win32::detail

using namespace win32::detail;

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD error) {
    t_lastError = error;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD threadId) {
    if (!start) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(StopAllThreadsAtExit); });
    auto record = std::make_shared<ThreadRecord>();
    record->id = NewThreadId();
    record->queue = std::make_shared<ThreadQueue>(record->id);
    record->started = (flags & CREATE_SUSPENDED) == 0;
    HANDLE handle;
    {
        std::lock_guard lock(Handles().mutex);
        handle = reinterpret_cast<HANDLE>(Handles().next += 4);
        Handles().threads[handle] = record;
    }
    try {
        std::thread(RunThread, record, start, parameter).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(Handles().mutex);
        Handles().threads.erase(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId)
        *threadId = record->id;
    return handle;
}

DWORD ResumeThread(HANDLE thread) {
    auto record = FindThread(thread);
    if (!record)
        return static_cast<DWORD>(-1);
    bool was;
    {
        std::lock_guard lock(record->mutex);
        was = record->started;
        record->started = true;
    }
    record->cv.notify_all();
    return was ? 0 : 1;
}

BOOL TerminateThread(HANDLE thread, DWORD exitCode) {
    auto record = FindThread(thread);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (record->id == CurrentThreadId()) {
        std::lock_guard lock(record->mutex);
        record->stopCode = exitCode;
        record->queue->stopRequested = true;
    } else {
        auto self = CurrentQueue();
        std::shared_ptr<ThreadQueue> queue;
        {
            std::lock_guard lock(record->mutex);
            if (record->ended)
                return TRUE;
            record->stopCode = exitCode;
            record->waiters.push_back(self);
            record->stoppedSuspended = !record->started;
            record->started = true; // a suspended thread ends without running
            queue = record->queue;
        }
        queue->stopRequested = true;
        queue->Wake();
        record->cv.notify_all();
        for (;;) {
            // The target may be blocked sending to us: keep answering.
            ProcessSentMessages();
            {
                std::lock_guard lock(record->mutex);
                if (record->ended)
                    return TRUE;
            }
            self->WaitForWake(std::nullopt);
        }
    }
    StopPoint();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto record = FindThread(handle);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock lock(record->mutex);
    auto ended = [&] { return record->ended; };
    if (milliseconds == INFINITE) {
        record->cv.wait(lock, ended);
        return WAIT_OBJECT_0;
    }
    return record->cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ended) ? WAIT_OBJECT_0
                                                                                     : WAIT_TIMEOUT;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    auto record = FindThread(thread);
    if (!record || !exitCode)
        return FALSE;
    std::lock_guard lock(record->mutex);
    *exitCode = record->exitCode;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    std::lock_guard lock(Handles().mutex);
    return Handles().threads.erase(handle) ? TRUE : FALSE;
}

DWORD GetCurrentThreadId() {
    return CurrentThreadId();
}

DWORD GetThreadId(HANDLE thread) {
    auto record = FindThread(thread);
    return record ? record->id : 0;
}

void Sleep(DWORD milliseconds) {
    auto queue = CurrentQueue();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (StopPoint())
            return;
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        queue->WaitForWake(deadline);
    }
}

namespace win32 {
namespace {
std::function<DWORD()>& TickSource() {
    static std::function<DWORD()>* source = new std::function<DWORD()>;
    return *source;
}
} // namespace
void SetTickCountSourceForTesting(std::function<DWORD()> source) {
    TickSource() = std::move(source);
}
} // namespace win32

DWORD GetTickCount() {
    if (auto& source = win32::TickSource(); source)
        return source();
    // steady_clock counts from boot on Linux, as the tick count does.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return static_cast<DWORD>(ms);
}
