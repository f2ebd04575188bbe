#include "ThreadState.h"

#include <mfc/WinApp.h>
#include <mfc/Wnd.h>

using mfc::detail::CurrentThreadState;
using mfc::detail::ThreadState;

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace {

// The message being handled is what Default() passes on; nested messages
// put the outer one back when they end. Temporary device contexts live until
// the outermost message ends.
class MessageScope {
public:
    MessageScope(ThreadState& state, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
        : m_state(state), m_outer(state.current) {
        m_state.current = MSG{hWnd, nMsg, wParam, lParam, 0, {}};
        ++m_state.depth;
    }
    ~MessageScope() {
        m_state.current = m_outer;
        if (--m_state.depth == 0)
            m_state.temporaryDCs.clear();
    }
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;

private:
    ThreadState& m_state;
    MSG m_outer;
};

bool IsOurs(HWND hWnd) {
    return reinterpret_cast<WNDPROC>(GetWindowLongW(hWnd, GWL_WNDPROC)) == &AfxWndProc;
}

} // namespace

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
    MessageScope scope(CurrentThreadState(), hWnd, nMsg, wParam, lParam);
    // After this call pWnd may be gone (PostNcDestroy may delete it).
    return pWnd->WindowProc(nMsg, wParam, lParam);
}

CWnd::~CWnd() {
    if (!m_hWnd)
        return;
    auto& permanent = CurrentThreadState().permanent;
    auto it = permanent.find(m_hWnd);
    if (it == permanent.end() || it->second != this)
        return;
    // The derived parts are gone: the window must not reach this object
    // again, so it gets its own procedure back before it is destroyed.
    HWND hWnd = m_hWnd;
    if (m_pfnSuper && IsOurs(hWnd))
        SetWindowLongW(hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    Detach();
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
    ::DestroyWindow(hWnd);
}

HWND CWnd::GetSafeHwnd() const {
    // Read through a volatile so that the compiler keeps the test of `this`.
    const volatile std::uintptr_t self = reinterpret_cast<std::uintptr_t>(this);
    return self ? m_hWnd : nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    if (!hWnd)
        return nullptr;
    auto& permanent = CurrentThreadState().permanent;
    auto it = permanent.find(hWnd);
    return it == permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd)
        return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    auto& slot = CurrentThreadState().temporaryWindows[hWnd];
    if (!slot) {
        slot = std::make_unique<CWnd>();
        slot->m_hWnd = hWnd;
    }
    return slot.get();
}

BOOL CWnd::Attach(HWND hWndNew) {
    if (!hWndNew || m_hWnd || !::IsWindow(hWndNew))
        return FALSE;
    auto& state = CurrentThreadState();
    if (state.permanent.contains(hWndNew))
        return FALSE;
    state.permanent[hWndNew] = this;
    if (auto it = state.temporaryWindows.find(hWndNew); it != state.temporaryWindows.end()) {
        it->second->m_hWnd = nullptr;
        state.temporaryWindows.erase(it);
    }
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd) {
        auto& permanent = CurrentThreadState().permanent;
        if (auto it = permanent.find(hWnd); it != permanent.end() && it->second == this)
            permanent.erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd))
        return FALSE;
    auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongW(hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    // A window that already carried the framework's procedure has no other
    // procedure to pass messages on to than the default one.
    m_pfnSuper = old == &AfxWndProc ? nullptr : old;
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd && m_pfnSuper && IsOurs(m_hWnd))
        SetWindowLongW(m_hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::DestroyWindow() {
    HWND hWnd = m_hWnd;
    if (!hWnd)
        return FALSE;
    const bool permanent = FromHandlePermanent(hWnd) == this;
    const BOOL result = ::DestroyWindow(hWnd);
    // A window that was not routed through this object never told it that
    // it is gone.
    if (!permanent && m_hWnd == hWnd)
        Detach();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT result = 0;
    BOOL handled = FALSE;
    if (message == WM_COMMAND) {
        handled = OnCommand(wParam, lParam);
        result = handled ? 1 : 0;
    } else if (const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0)) {
        result = entry->pfn(this, message, wParam, lParam);
        handled = TRUE;
    } else if (message == WM_NCDESTROY) {
        OnNcDestroy(); // this object may be gone now
        handled = TRUE;
    }
    if (pResult)
        *pResult = result;
    return handled;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    const MSG& current = CurrentThreadState().current;
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

void CWnd::OnNcDestroy() {
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    Default();
    if (m_pfnSuper && m_hWnd && IsOurs(m_hWnd))
        SetWindowLongW(m_hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    PostNcDestroy();
}

void CWnd::PostNcDestroy() {}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy,
                          nFlags);
}

BOOL CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    return ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    ::ScreenToClient(m_hWnd, lpPoint);
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    if (!lpRect)
        return;
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    ::ClientToScreen(m_hWnd, lpPoint);
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
    if (!lpRect)
        return;
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}

void CWnd::Invalidate(BOOL bErase) {
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}

BOOL CWnd::UpdateWindow() {
    return ::UpdateWindow(m_hWnd);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(::SendMessageW(
        m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::SetParent(CWnd* pWndNewParent) {
    return FromHandle(::SetParent(m_hWnd, pWndNewParent ? pWndNewParent->m_hWnd : nullptr));
}

void CWnd::SetWindowText(LPCWSTR lpszString) {
    ::SetWindowTextW(m_hWnd, lpszString);
}

void CWnd::GetWindowText(CString& rString) const {
    const int length = ::GetWindowTextLengthW(m_hWnd);
    LPWSTR buffer = rString.GetBuffer(length + 1);
    const int copied = ::GetWindowTextW(m_hWnd, buffer, length + 1);
    rString.ReleaseBuffer(copied);
}

BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}

DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const {
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
}

CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}

int CWnd::MessageBoxW(LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType) {
    return ::MessageBoxW(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}

BOOL CWnd::OnEraseBkgnd(CDC*) {
    return static_cast<BOOL>(Default());
}

void CWnd::OnMove(int, int) {
    Default();
}

void CWnd::OnShowWindow(BOOL, UINT) {
    Default();
}

void CWnd::OnSize(UINT, int, int) {
    Default();
}

void CWnd::OnActivate(UINT, CWnd*, BOOL) {
    Default();
}

void CWnd::OnClose() {
    Default();
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) {
    return reinterpret_cast<HBRUSH>(Default());
}

// --- the creation hook -------------------------------------------------------------

namespace mfc::detail {
namespace {

LRESULT CALLBACK CbtFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    auto& state = CurrentThreadState();
    if (code == HCBT_CREATEWND && state.pendingCreate) {
        CWnd* pWnd = state.pendingCreate;
        state.pendingCreate = nullptr; // the first window only: not its controls
        pWnd->SubclassWindow(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(state.createHook, code, wParam, lParam);
}

} // namespace

void HookWindowCreate(CWnd* pWnd) {
    auto& state = CurrentThreadState();
    state.pendingCreate = pWnd;
    if (!state.createHook)
        state.createHook = SetWindowsHookExW(WH_CBT, &CbtFilterHook, nullptr, GetCurrentThreadId());
}

bool UnhookWindowCreate() {
    auto& state = CurrentThreadState();
    if (state.createHook) {
        UnhookWindowsHookEx(state.createHook);
        state.createHook = nullptr;
    }
    const bool taken = state.pendingCreate == nullptr;
    state.pendingCreate = nullptr;
    return taken;
}

} // namespace mfc::detail
