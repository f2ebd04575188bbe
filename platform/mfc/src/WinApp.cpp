#include "ThreadState.h"

#include <atomic>
#include <mfc/WinApp.h>
#include <mfc/Wnd.h>
#include <win32/Kernel.h>

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

namespace {

// Set once, by the application object's constructor before main, and read
// from any thread after.
std::atomic<CWinApp*> g_app{nullptr};
std::atomic<HINSTANCE> g_resourceHandle{nullptr};

constexpr UINT kOkCancel = 0x1;
constexpr UINT kYesNoCancel = 0x3;
constexpr UINT kYesNo = 0x4;

CString NameFromExecutable() {
    wchar_t path[4096]{};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, 4096);
    CString name(path, static_cast<int>(n));
    const int slash = name.ReverseFind(L'/');
    name = name.Mid(slash + 1);
    if (const int dot = name.ReverseFind(L'.'); dot > 0)
        name = name.Left(dot);
    return name;
}

} // namespace

CWinApp::CWinApp(LPCWSTR lpszAppName)
    : m_hInstance(::GetModuleHandleW(nullptr)),
      m_strAppName(lpszAppName ? CString(lpszAppName) : NameFromExecutable()) {
    m_pszAppName = m_strAppName;
    CWinApp* expected = nullptr;
    g_app.compare_exchange_strong(expected, this);
}

CWinApp::~CWinApp() {
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

void CWinApp::SetRegistryKey(LPCWSTR) {}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() {
    return g_app.load();
}

LPCWSTR AfxGetAppName() {
    CWinApp* app = AfxGetApp();
    return app && app->m_pszAppName ? app->m_pszAppName : L"";
}

HINSTANCE AfxGetInstanceHandle() {
    CWinApp* app = AfxGetApp();
    return app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle() {
    HINSTANCE h = g_resourceHandle.load();
    return h ? h : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstResource) {
    g_resourceHandle.store(hInstResource);
}

HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType) {
    HINSTANCE current = AfxGetResourceHandle();
    if (::FindResourceW(current, lpszName, lpszType))
        return current;
    return AfxGetInstanceHandle();
}

void AfxEnableControlContainer() {}

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT) {
    HWND owner = nullptr;
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd)
        owner = app->m_pMainWnd->GetSafeHwnd();
    if (owner && !::IsWindow(owner))
        owner = nullptr;
    if ((nType & MB_ICONMASK) == 0) {
        switch (nType & MB_TYPEMASK) {
        case MB_OK:
        case kOkCancel:
            nType |= MB_ICONEXCLAMATION;
            break;
        case kYesNo:
        case kYesNoCancel:
            nType |= MB_ICONQUESTION;
            break;
        default:
            break;
        }
    }
    return ::MessageBoxW(owner, lpszText, AfxGetAppName(), nType);
}

int AfxWinMain() {
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    if (!app->m_hInstance)
        app->m_hInstance = ::GetModuleHandleW(nullptr);
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
