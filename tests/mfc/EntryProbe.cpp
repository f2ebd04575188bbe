// An executable on the framework's own main(): the startup hook runs first,
// then the application object's InitInstance and ExitInstance. Exit code 0
// when all happened in that order.

#include <mfc/Entry.h>
#include <mfc/WinApp.h>
#include <string>

namespace {

int g_steps = 0;

int Startup() {
    g_steps = 1;
    return 0;
}

const bool s_registered = (AfxSetStartupHook(&Startup), true);

class CProbeApp : public CWinApp {
public:
    BOOL InitInstance() override {
        if (g_steps == 1 && std::wstring(AfxGetAppName()) == L"mfc_entry_probe")
            g_steps = 2;
        return FALSE;
    }
    int ExitInstance() override { return g_steps == 2 && s_registered ? 0 : 1; }
};

CProbeApp theApp;

} // namespace
