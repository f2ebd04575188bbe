#include <mfc/Entry.h>
#include <mfc/WinApp.h>

namespace {

AFX_STARTUPHOOK& Hook() {
    static AFX_STARTUPHOOK hook = nullptr;
    return hook;
}

} // namespace

AFX_STARTUPHOOK AfxSetStartupHook(AFX_STARTUPHOOK pfnHook) {
    AFX_STARTUPHOOK old = Hook();
    Hook() = pfnHook;
    return old;
}

AFX_STARTUPHOOK AfxGetStartupHook() {
    return Hook();
}

int main() {
    if (AFX_STARTUPHOOK hook = AfxGetStartupHook())
        if (const int code = hook())
            return code;
    return AfxWinMain();
}
