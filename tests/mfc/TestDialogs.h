#pragma once

// The test executable's application object and two dialogs, a base with a
// handler for every mapped window message and a derived one that overrides
// some of them, both built from the template IDD_TEST.

#include <functional>
#include <mfc/Dialog.h>
#include <mfc/WinApp.h>
#include <string>
#include <vector>

inline constexpr UINT IDD_TEST = 102;
inline constexpr UINT IDD_MISSING = 999;
inline constexpr UINT ID_TEST_COMMAND = 0x8001;
inline constexpr UINT kAct = WM_APP + 1;

// Registers IDD_TEST for the executable (once).
void RegisterTestDialog();

class CTestApp : public CWinApp {
public:
    std::function<BOOL()> init;
    int commands = 0;
    BOOL InitInstance() override { return init ? init() : FALSE; }
    int ExitInstance() override { return 7; }
    void OnTestCommand() { ++commands; }

    DECLARE_MESSAGE_MAP()
};
CTestApp& TestApp();

class CBaseDlg : public CDialog {
    DECLARE_DYNAMIC(CBaseDlg)

public:
    explicit CBaseDlg(CWnd* pParent = nullptr) : CDialog(IDD_TEST, pParent) {}

    std::vector<std::wstring> log;
    // Runs inside the modal loop, once the dialog is up.
    std::function<void(CBaseDlg&)> act;
    HBRUSH brush = nullptr;
    HWND ctlColorWnd = nullptr;
    HWND activateOther = nullptr;

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void OnMove(int x, int y);
    void OnSize(UINT nType, int cx, int cy);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnClose();
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    void OnLButtonDown(UINT nFlags, CPoint point);
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

protected:
    void Log(const wchar_t* format, ...);

    DECLARE_MESSAGE_MAP()
};

class CDerivedDlg : public CBaseDlg {
    DECLARE_DYNAMIC(CDerivedDlg)

public:
    using CBaseDlg::CBaseDlg;

    int initCount = 0;
    std::wstring okTextAtInit;
    int destroyCalls = 0;
    bool aliveInDestroy = false;
    int postNcDestroyCalls = 0;
    bool detachedInPostNcDestroy = false;
    HWND created = nullptr;
    std::function<void(CDerivedDlg&)> onOk;

    BOOL OnInitDialog() override;
    BOOL DestroyWindow() override;
    void PostNcDestroy() override;
    void OnCancel() override;
    void OnMove(int x, int y);
    void OnBnClickedOk();

    DECLARE_MESSAGE_MAP()
};
