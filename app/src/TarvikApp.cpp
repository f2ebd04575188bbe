#include <app/TarvikApp.h>
#include <app/TarvikDlg.h>
#include <mfc/WinApp.h>
#include <mfc/WinThread.h>
#include <skin/InitOrder.h>
#include <win32/User.h>

BEGIN_MESSAGE_MAP(CTarvikApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CTarvikApp::CTarvikApp() {}

CTarvikApp::~CTarvikApp() {}

TARVIK_INIT_APP CTarvikApp theApp;

BOOL CTarvikApp::InitInstance() {
    INITCOMMONCONTROLSEX InitCtrls;
    InitCtrls.dwSize = sizeof(InitCtrls);
    InitCtrls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&InitCtrls);

    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    CTarvikDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    return FALSE;
}
