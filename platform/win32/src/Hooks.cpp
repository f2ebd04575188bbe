#include "Hooks.h"

#include "Threads.h"

#include <algorithm>
#include <vector>
#include <win32/Kernel.h>

namespace win32::detail {
namespace {

struct Hook {
    HHOOK handle;
    HOOKPROC proc;
};

// Hooks belong to the thread that set them, newest first.
thread_local std::vector<Hook> t_hooks;
std::atomic<std::uintptr_t> g_nextHook{0x100};

} // namespace

void RunCreateHooks(HWND hwnd, CREATESTRUCTW& cs) {
    if (t_hooks.empty())
        return;
    CBT_CREATEWNDW info{&cs, nullptr};
    const auto hooks = t_hooks; // a hook may unhook itself
    if (!hooks.empty())
        hooks.front().proc(HCBT_CREATEWND, reinterpret_cast<WPARAM>(hwnd),
                           reinterpret_cast<LPARAM>(&info));
}

} // namespace win32::detail

using namespace win32::detail;

HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
    if (idHook != WH_CBT || !proc || (threadId != 0 && threadId != CurrentThreadId())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HHOOK handle = reinterpret_cast<HHOOK>(g_nextHook.fetch_add(4));
    t_hooks.insert(t_hooks.begin(), Hook{handle, proc});
    return handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    auto it = std::find_if(t_hooks.begin(), t_hooks.end(),
                           [&](const Hook& h) { return h.handle == hook; });
    if (it == t_hooks.end())
        return FALSE;
    t_hooks.erase(it);
    return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    auto it = std::find_if(t_hooks.begin(), t_hooks.end(),
                           [&](const Hook& h) { return h.handle == hook; });
    if (it == t_hooks.end() || std::next(it) == t_hooks.end())
        return 0;
    return std::next(it)->proc(code, wParam, lParam);
}
