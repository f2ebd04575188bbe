#include "ThreadState.h"

namespace mfc::detail {

ThreadState::~ThreadState() {
    DeleteTemporaryWindows();
}

void ThreadState::DeleteTemporaryWindows() {
    // A wrapper never owns its window.
    for (auto& [hwnd, wnd] : temporaryWindows)
        wnd->m_hWnd = nullptr;
    temporaryWindows.clear();
}

ThreadState& CurrentThreadState() {
    thread_local ThreadState state;
    return state;
}

} // namespace mfc::detail

CDC* CDC::FromHandle(HDC hDC) {
    if (!hDC)
        return nullptr;
    auto& dcs = mfc::detail::CurrentThreadState().temporaryDCs;
    auto& slot = dcs[hDC];
    if (!slot)
        slot = std::make_unique<CDC>(hDC);
    return slot.get();
}
