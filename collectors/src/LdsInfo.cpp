#include "LdsInfo.h"

#include <collectors/Collectors.h>
#include <mfc/String.h>
#include <mfc/WinApp.h>
#include <res/Resource.h>
#include <win32/Kernel.h>
#include <win32/User.h>

DWORD WINAPI GetLDSInfo(LPVOID inHwnd) {
    return LdsInfoRun(static_cast<HWND>(inHwnd), "ComputerZ_HardwareDll.dll");
}

int tp() {
    return 0;
}

DWORD LdsInfoRun(HWND inHwnd, LPCSTR lpszLibrary) {
    const HMODULE hModule = LoadLibraryA(lpszLibrary);
    if (hModule == nullptr) {
        AfxMessageBox(L"Load ComputerZ_HardwareDll.dll failed.", MB_OK);
        return 0;
    }
    const auto pfnGetInfo2 = reinterpret_cast<PFNGETINFO2>(GetProcAddress(hModule, "GetInfo2"));
    const auto pfnInit = reinterpret_cast<PFNINIT>(GetProcAddress(hModule, "Init"));
    GetProcAddress(hModule, "InitCpuUsage");
    GetProcAddress(hModule, "Finit");
    // A library without these entries cannot be driven; calling through a
    // missing one would crash the process, so the collector just ends.
    if (pfnGetInfo2 == nullptr || pfnInit == nullptr)
        return 0;
    pfnInit(0, tp);
    pfnInit(1, tp);
    for (;;)
        LdsInfoPass(inHwnd, pfnGetInfo2, 1000);
}

void LdsInfoPass(HWND inHwnd, PFNGETINFO2 pfnGetInfo2, DWORD dwPause) {
    CString strText;
    strText.Format(L"%d℃", pfnGetInfo2(1));
    SetDlgItemTextW(inHwnd, IDC_CPU_TEMP, strText);
    strText.Format(L"风扇 %d转/分", pfnGetInfo2(7));
    SetDlgItemTextW(inHwnd, IDC_FAN, strText);
    strText.Format(L"主板 %d℃", pfnGetInfo2(3));
    SetDlgItemTextW(inHwnd, IDC_MB_TEMP, strText);
    // One statement each: the order of evaluation of call arguments is not
    // fixed, and the library is asked in the order 2, 5, 6.
    const int nInfo2 = pfnGetInfo2(2);
    const int nInfo5 = pfnGetInfo2(5);
    const int nInfo6 = pfnGetInfo2(6);
    strText.Format(L"%d\t%d\t%d\t", nInfo2, nInfo5, nInfo6);
    SetDlgItemTextW(inHwnd, IDC_UNKNOWN, strText);
    Sleep(dwPause);
}
