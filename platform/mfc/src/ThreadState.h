#pragma once

// What the framework keeps per thread: the permanent and temporary handle
// maps, the message being handled (for CWnd::Default) and the window that the
// creation hook is waiting for.

#include <memory>
#include <mfc/DC.h>
#include <mfc/Wnd.h>
#include <unordered_map>

namespace mfc::detail {

struct ThreadState {
    ThreadState() = default;
    ~ThreadState();
    ThreadState(const ThreadState&) = delete;
    ThreadState& operator=(const ThreadState&) = delete;

    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> temporaryWindows;
    std::unordered_map<HDC, std::unique_ptr<CDC>> temporaryDCs;
    MSG current{};
    int depth = 0; // nesting of the framework's window procedure
    CWnd* pendingCreate = nullptr;
    HHOOK createHook = nullptr;

    // Frees the temporary window wrappers (at idle of a message loop).
    void DeleteTemporaryWindows();
};

ThreadState& CurrentThreadState();

// Makes `pWnd` the object of the next window that this thread creates, with
// the framework's procedure in place before the window's first message.
void HookWindowCreate(CWnd* pWnd);
// False when no window was taken over.
bool UnhookWindowCreate();

} // namespace mfc::detail
