#pragma once

// The application object and the framework's process-wide services.

#include <mfc/String.h>
#include <mfc/WinThread.h>
#include <win32/User.h>

inline constexpr UINT ID_HELP = 0xE146;

// The single application object: a global of the executable, constructed
// before main. AfxWinMain runs it.
class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)

public:
    // Without a name the application is named after the executable's file,
    // without its extension.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCWSTR m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Nothing is stored under the key: the program keeps no settings.
    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    // There is no help system; the command is taken and nothing happens.
    void OnHelp();

protected:
    DECLARE_MESSAGE_MAP()

private:
    CString m_strAppName;
};

CWinApp* AfxGetApp();
// The application's name, or an empty text when there is no application.
LPCWSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
// The module that resources are looked for in first; the executable unless
// AfxSetResourceHandle said otherwise.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
// The current resource module when it holds the resource, else the
// executable.
HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType);
// Controls are the layer's own; there is no container to enable.
void AfxEnableControlContainer();

// A message box owned by the application's main window when there is one,
// captioned with the application's name. A box with no icon flag gets the
// framework's default icon for its buttons (MB_OK: MB_ICONEXCLAMATION). May
// be called from any thread.
int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// The framework's entry: runs InitInstance of the application object; when
// that fails, returns ExitInstance(), otherwise Run(). -1 without an
// application object.
int AfxWinMain();
