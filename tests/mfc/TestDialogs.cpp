#include "TestDialogs.h"

#include <DialogTemplateBuilder.h>
#include <cstdarg>
#include <win32/Gdi.h>
#include <win32/ResourceTable.h>

CTestApp theApp;

CTestApp& TestApp() {
    return theApp;
}

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
ON_COMMAND(ID_TEST_COMMAND, &CTestApp::OnTestCommand)
END_MESSAGE_MAP()

void RegisterTestDialog() {
    static const std::vector<std::uint8_t> bytes = [] {
        testing_support::DialogTemplateBuilder b(WS_POPUP | WS_VISIBLE | DS_SETFONT, 10, 20, 325,
                                                 265);
        b.Item(0x80, IDOK, L"确定", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 249, 177,
               50, 14)
            .Item(0x82, 1000, L"CPU", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 27, 22, 76, 51)
            .Item(0x80, IDCANCEL, L"X", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_FLAT, 89, 187, 12,
                  11, WS_EX_TRANSPARENT);
        return b.Bytes();
    }();
    static const win32::ResourceEntry entry{RT_DIALOG, static_cast<WORD>(IDD_TEST), 2052,
                                            bytes.data(), static_cast<DWORD>(bytes.size())};
    static const bool registered = (win32::RegisterResources(nullptr, &entry, 1), true);
    (void)registered;
}

IMPLEMENT_DYNAMIC(CBaseDlg, CDialog)

BEGIN_MESSAGE_MAP(CBaseDlg, CDialog)
ON_WM_MOVE()
ON_WM_SIZE()
ON_WM_ERASEBKGND()
ON_WM_CLOSE()
ON_WM_SHOWWINDOW()
ON_WM_ACTIVATE()
ON_WM_LBUTTONDOWN()
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

void CBaseDlg::Log(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    CString line;
    line.FormatV(format, args);
    va_end(args);
    log.push_back(line.Str());
}

BOOL CBaseDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    PostMessage(kAct);
    return TRUE;
}

LRESULT CBaseDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAct) {
        log.clear();
        if (act)
            act(*this);
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CBaseDlg::OnMove(int x, int y) {
    Log(L"base.move %d %d", x, y);
    Default();
}

void CBaseDlg::OnSize(UINT nType, int cx, int cy) {
    Log(L"base.size %u %d %d", nType, cx, cy);
    Default();
}

BOOL CBaseDlg::OnEraseBkgnd(CDC* pDC) {
    Log(L"base.erase %d", pDC && pDC->m_hDC ? 1 : 0);
    return 7;
}

void CBaseDlg::OnClose() {
    Log(L"close");
    Default();
}

void CBaseDlg::OnShowWindow(BOOL bShow, UINT nStatus) {
    Log(L"show %d %u", bShow, nStatus);
    Default();
}

void CBaseDlg::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
    Log(L"activate %u %d", nState, bMinimized);
    activateOther = pWndOther ? pWndOther->m_hWnd : nullptr;
    Default();
}

void CBaseDlg::OnLButtonDown(UINT nFlags, CPoint point) {
    Log(L"lbutton %u %d %d", nFlags, point.x, point.y);
    Default();
}

HBRUSH CBaseDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    Log(L"ctlcolor %u %d", nCtlColor, pDC && pDC->m_hDC ? 1 : 0);
    ctlColorWnd = pWnd ? pWnd->m_hWnd : nullptr;
    return brush ? brush : CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

IMPLEMENT_DYNAMIC(CDerivedDlg, CBaseDlg)

BEGIN_MESSAGE_MAP(CDerivedDlg, CBaseDlg)
ON_WM_MOVE()
ON_WM_SIZE()
ON_BN_CLICKED(IDOK, &CDerivedDlg::OnBnClickedOk)
END_MESSAGE_MAP()

BOOL CDerivedDlg::OnInitDialog() {
    CBaseDlg::OnInitDialog();
    ++initCount;
    created = m_hWnd;
    CString text;
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->GetWindowText(text);
    okTextAtInit = text.Str();
    return TRUE;
}

BOOL CDerivedDlg::DestroyWindow() {
    ++destroyCalls;
    aliveInDestroy = ::IsWindow(m_hWnd) != FALSE;
    return CBaseDlg::DestroyWindow();
}

void CDerivedDlg::PostNcDestroy() {
    ++postNcDestroyCalls;
    detachedInPostNcDestroy = m_hWnd == nullptr && GetSafeHwnd() == nullptr &&
                              CWnd::FromHandlePermanent(created) == nullptr;
    CBaseDlg::PostNcDestroy();
}

void CDerivedDlg::OnCancel() {
    Log(L"cancel");
    CBaseDlg::OnCancel();
}

void CDerivedDlg::OnMove(int x, int y) {
    Log(L"derived.move %d %d", x, y);
    Default();
}

void CDerivedDlg::OnBnClickedOk() {
    Log(L"ok");
    if (onOk)
        onOk(*this);
}
