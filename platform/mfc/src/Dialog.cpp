#include "ThreadState.h"

#include <mfc/Dialog.h>
#include <mfc/WinApp.h>
#include <win32/Kernel.h>

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

namespace {

// The framework's dialog procedure: WM_INITDIALOG goes to OnInitDialog, and
// everything else is left to the message maps and DefDlgProcW.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT nMsg, WPARAM, LPARAM) {
    if (nMsg != WM_INITDIALOG)
        return FALSE;
    auto* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    return pDlg ? pDlg->OnInitDialog() : TRUE;
}

// The window that a modal dialog without a parent of its own is owned by:
// the main window, unless that is the dialog itself.
HWND ModalOwner(const CDialog* pDlg, CWnd* pParentWnd) {
    HWND owner = pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr;
    if (!owner)
        if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd && app->m_pMainWnd != pDlg)
            owner = app->m_pMainWnd->GetSafeHwnd();
    if (!owner || !::IsWindow(owner))
        return nullptr;
    // A child window cannot own a dialog: its top-level window does.
    while (::GetWindowLongW(owner, GWL_STYLE) & WS_CHILD) {
        HWND parent = ::GetParent(owner);
        if (!parent)
            break;
        owner = parent;
    }
    return owner;
}

} // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_pParentWnd(pParentWnd),
      m_nIDHelp(nIDTemplate) {}

INT_PTR CDialog::DoModal() {
    m_nModalResult = -1;
    if (m_hWnd)
        return -1; // already running
    HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    if (!::FindResourceW(hInst, m_lpszTemplateName, RT_DIALOG))
        return -1;

    HWND owner = ModalOwner(this, m_pParentWnd);
    const bool enableOwner = owner && ::IsWindowEnabled(owner);
    if (enableOwner)
        ::EnableWindow(owner, FALSE);

    m_bContinueModal = true;
    mfc::detail::HookWindowCreate(this);
    // The resource is read with its size, so a damaged template is refused
    // instead of read past its end.
    HWND hWnd = ::CreateDialogParamW(hInst, m_lpszTemplateName, owner, &AfxDlgProc, 0);
    mfc::detail::UnhookWindowCreate();

    if (hWnd && m_hWnd == hWnd)
        RunModalLoop();
    m_bContinueModal = false;

    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (enableOwner && ::IsWindow(owner)) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    DestroyWindow();
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    // A template without WS_VISIBLE is shown once the queue first runs dry.
    bool showOnIdle = !(GetStyle() & WS_VISIBLE);
    while (m_bContinueModal && m_hWnd && ::IsWindow(m_hWnd)) {
        MSG msg{};
        if (showOnIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            ShowWindow(SW_SHOWNORMAL);
            UpdateWindow();
            showOnIdle = false;
            continue;
        }
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            // The quit belongs to the loop outside this one.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!m_hWnd || !::IsDialogMessageW(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bContinueModal = false;
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode) {
    if (CWnd::OnCmdMsg(nID, nCode))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode) : FALSE;
}
