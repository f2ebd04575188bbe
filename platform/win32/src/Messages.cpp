#include "Input.h"
#include "Internal.h"
#include "Threads.h"
#include "WindowTable.h"

#include <win32/Kernel.h>

namespace win32::detail {
namespace {

thread_local int t_inSend = 0;
thread_local MSG t_lastMessage{};

bool Matches(const MSG& msg, HWND filter, UINT min, UINT max) {
    if (min != 0 || max != 0) {
        if (msg.message < min || msg.message > max)
            return false;
    }
    if (!filter)
        return true;
    return msg.hwnd == filter || IsChild(filter, msg.hwnd);
}

// Raw input is a posted message for the filter's purposes only once it has
// been turned into the window message it stands for.
bool IsRaw(UINT message) {
    return message == kRawMouse || message == kRawKey || message == kRawChar;
}

// The first window of this thread (in creation order) that waits for a paint.
HWND PendingPaint(DWORD thread, HWND filter) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    HWND best = nullptr;
    for (auto& [hwnd, w] : table.windows) {
        if (w->threadId != thread || !w->updatePending || w->destroying)
            continue;
        if (!table.IsReallyVisible(*w))
            continue;
        if (filter && hwnd != filter) {
            bool under = false;
            for (HWND p = w->parent; p; p = table.Find(p) ? table.Find(p)->parent : nullptr)
                if (p == filter) {
                    under = true;
                    break;
                }
            if (!under)
                continue;
        }
        if (!best ||
            reinterpret_cast<std::uintptr_t>(hwnd) < reinterpret_cast<std::uintptr_t>(best))
            best = hwnd;
    }
    return best;
}

void Reply(SentMessage& sent, LRESULT result) {
    std::lock_guard lock(sent.sender->mutex);
    sent.result = result;
    sent.done = true;
    sent.sender->Wake();
}

// One pass over the queue: sent messages, then posted ones, then quit, then
// paint. Returns true with `out` filled when a message was taken.
bool TakeMessage(MSG& out, HWND filter, UINT min, UINT max, bool remove) {
    auto queue = CurrentQueue();
    for (;;) {
        ProcessSentMessages();
        if (ScreenBackend* screen = InstalledScreen();
            screen && screen->EventThread() == queue->ThreadId())
            screen->ProcessEvents();

        bool haveMsg = false;
        {
            std::lock_guard lock(queue->mutex);
            for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
                if (IsRaw(it->message) || Matches(*it, filter, min, max)) {
                    out = *it;
                    if (remove || IsRaw(it->message))
                        queue->posted.erase(it);
                    haveMsg = true;
                    break;
                }
            }
            if (!haveMsg && queue->quitPosted && (min == 0 && max == 0)) {
                out = MSG{nullptr, WM_QUIT,        static_cast<WPARAM>(queue->quitCode),
                          0,       GetTickCount(), {}};
                if (remove)
                    queue->quitPosted = false;
                return true;
            }
        }
        if (haveMsg) {
            if (IsRaw(out.message)) {
                // Input becomes a window message, or nothing (a press that
                // only activated, a key for no window).
                if (!TranslateRawInput(out))
                    continue;
                if (!Matches(out, filter, min, max)) {
                    // Input is kept in order for a later, wider look.
                    std::lock_guard lock(queue->mutex);
                    queue->posted.push_front(out);
                    continue;
                }
                if (!remove) {
                    std::lock_guard lock(queue->mutex);
                    queue->posted.push_front(out);
                }
            }
            return true;
        }
        if (min == 0 || (min <= WM_PAINT && WM_PAINT <= max)) {
            if (HWND hwnd = PendingPaint(queue->ThreadId(), filter)) {
                out = MSG{hwnd, WM_PAINT, 0, 0, GetTickCount(), {}};
                return true;
            }
        }
        return false;
    }
}

} // namespace

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        if (Window* w = table.Find(hwnd))
            proc = w->proc;
    }
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

void ProcessSentMessages() {
    auto queue = CurrentQueue();
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard lock(queue->mutex);
            while (!queue->incoming.empty() && !sent) {
                sent = queue->incoming.front();
                queue->incoming.pop_front();
                if (sent->abandoned)
                    sent.reset();
                else
                    sent->taken = true;
            }
        }
        if (!sent)
            return;
        // The sender is answered even when the procedure unwinds.
        struct Answer {
            SentMessage& sent;
            LRESULT result = 0;
            ~Answer() { Reply(sent, result); }
        } answer{*sent};
        ++t_inSend;
        struct Leave {
            ~Leave() { --t_inSend; }
        } leave;
        answer.result = CallWindowProcedure(sent->hwnd, sent->message, sent->wParam, sent->lParam);
    }
}

} // namespace win32::detail

using namespace win32::detail;
using win32::InstalledScreen;
using win32::ScreenBackend;

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD owner = 0;
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        owner = w->threadId;
    }
    auto self = CurrentQueue();
    if (owner == self->ThreadId())
        return CallWindowProcedure(hwnd, msg, wParam, lParam);

    auto target = QueueOf(owner);
    if (!target)
        return 0;
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = msg;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = self;
    {
        std::lock_guard lock(target->mutex);
        if (target->dead)
            return 0;
        target->incoming.push_back(sent);
    }
    target->Wake();

    // A sender that stops waiting (its thread is being stopped) withdraws a
    // message not yet taken. One the target is handling may still be read
    // through wParam and lParam (a panel text in the sender's buffer), so the
    // sender waits for the answer before it unwinds, answering what is sent
    // to its own windows meanwhile.
    struct Abandon {
        std::shared_ptr<ThreadQueue> self;
        std::shared_ptr<ThreadQueue> target;
        std::shared_ptr<SentMessage> sent;
        bool active = true;
        ~Abandon() {
            if (!active)
                return;
            {
                std::lock_guard lock(target->mutex);
                if (!sent->taken) {
                    sent->abandoned = true;
                    return;
                }
            }
            for (;;) {
                {
                    std::lock_guard lock(self->mutex);
                    if (sent->done)
                        return;
                }
                try {
                    ProcessSentMessages();
                } catch (...) {
                    // Already unwinding from the stop: nothing more to do here.
                }
                {
                    std::lock_guard lock(self->mutex);
                    if (sent->done)
                        return;
                    if (!self->incoming.empty())
                        continue;
                }
                self->WaitForWake(std::nullopt);
            }
        }
    } abandon{self, target, sent};

    for (;;) {
        {
            std::lock_guard lock(self->mutex);
            if (sent->done) {
                abandon.active = false;
                return sent->result;
            }
        }
        // A blocked sender still answers what is sent to its own windows.
        ProcessSentMessages();
        if (StopPoint())
            return 0;
        {
            std::lock_guard lock(self->mutex);
            if (sent->done) {
                abandon.active = false;
                return sent->result;
            }
            if (!self->incoming.empty())
                continue;
        }
        self->WaitForWake(std::nullopt);
    }
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> target;
    if (!hwnd) {
        target = CurrentQueue();
    } else {
        DWORD owner = 0;
        {
            auto& table = Windows();
            std::lock_guard lock(table.mutex);
            Window* w = table.Find(hwnd);
            if (!w) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            owner = w->threadId;
        }
        target = QueueOf(owner);
    }
    if (!target)
        return FALSE;
    {
        std::lock_guard lock(target->mutex);
        if (target->dead)
            return FALSE;
        target->posted.push_back(MSG{hwnd, msg, wParam, lParam, GetTickCount(), {}});
    }
    target->Wake();
    return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto target = QueueOf(threadId);
    if (!target)
        return FALSE;
    {
        std::lock_guard lock(target->mutex);
        if (target->dead)
            return FALSE;
        target->posted.push_back(MSG{nullptr, msg, wParam, lParam, GetTickCount(), {}});
    }
    target->Wake();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    auto queue = CurrentQueue();
    std::lock_guard lock(queue->mutex);
    queue->quitPosted = true;
    queue->quitCode = exitCode;
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    auto queue = CurrentQueue();
    for (;;) {
        MSG m{};
        if (TakeMessage(m, hwnd, filterMin, filterMax, true)) {
            t_lastMessage = m;
            if (msg)
                *msg = m;
            return m.message == WM_QUIT ? FALSE : TRUE;
        }
        StopPoint();
        {
            // Something may have arrived since the pass looked.
            std::lock_guard lock(queue->mutex);
            if (!queue->incoming.empty() || !queue->posted.empty() || queue->quitPosted)
                continue;
        }
        queue->WaitForWake(std::nullopt);
    }
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    MSG m{};
    if (!TakeMessage(m, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0))
        return FALSE;
    if (removeFlags & PM_REMOVE)
        t_lastMessage = m;
    if (msg)
        *msg = m;
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    return msg && (msg->message == WM_KEYDOWN) ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg || !msg->hwnd)
        return 0;
    return CallWindowProcedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL InSendMessage() {
    return t_inSend > 0 ? TRUE : FALSE;
}

DWORD GetMessagePos() {
    return static_cast<DWORD>(
        MAKELONG(static_cast<WORD>(t_lastMessage.pt.x), static_cast<WORD>(t_lastMessage.pt.y)));
}

LONG GetMessageTime() {
    return static_cast<LONG>(t_lastMessage.time);
}
