#include "PdhInfo.h"

#include <collectors/Collectors.h>
#include <res/Resource.h>
#include <win32/Kernel.h>
#include <win32/User.h>

DWORD WINAPI GetPdhInfo(LPVOID inHwnd) {
    const HWND hwnd = static_cast<HWND>(inHwnd);
    _tagPdhInfo info;
    if (PdhInfoSetUp(info) != ERROR_SUCCESS)
        return 0;
    while (PdhInfoPass(hwnd, info, 1000) == ERROR_SUCCESS) {
    }
    return 0;
}

PDH_STATUS PdhInfoSetUp(_tagPdhInfo& info) {
    PdhOpenQueryW(nullptr, 0, &info.hQuery);
    info.status = PdhAddCounterW(info.hQuery, kPagesPath, 0, &info.hPages);
    if (info.status != ERROR_SUCCESS)
        return info.status;
    info.status = PdhAddCounterW(info.hQuery, kQueuePath, 0, &info.hQueue);
    if (info.status != ERROR_SUCCESS)
        return info.status;
    info.status = PdhCollectQueryData(info.hQuery);
    return info.status;
}

PDH_STATUS PdhInfoPass(HWND inHwnd, _tagPdhInfo& info, DWORD dwPause) {
    if (PdhGetFormattedCounterValue(info.hPages, PDH_FMT_DOUBLE, nullptr, &info.value) ==
        ERROR_SUCCESS) {
        info.strText.Format(L"Pages/sec : %.3f\n", info.value.doubleValue);
        SetDlgItemTextW(inHwnd, IDC_PAGES_SEC, info.strText);
    }
    if (PdhGetFormattedCounterValue(info.hQueue, PDH_FMT_DOUBLE, nullptr, &info.value) ==
        ERROR_SUCCESS) {
        info.strText.Format(L"Avg.Disk Queue Length : %.3f\n", info.value.doubleValue);
        SetDlgItemTextW(inHwnd, IDC_DISK_QUEUE, info.strText);
    }
    Sleep(dwPause);
    info.status = PdhCollectQueryData(info.hQuery);
    return info.status;
}
