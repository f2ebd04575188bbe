#pragma once

// Runs the real application object on the headless screen, with a script on
// another thread that plays the user: it waits for windows, reads panels,
// answers message boxes and presses keys.

#include <Eventually.h>
#include <MainDialog.h>
#include <Watchdog.h>
#include <chrono>
#include <functional>
#include <mfc/WinApp.h>
#include <res/Resource.h>
#include <screen/HeadlessScreen.h>
#include <string>
#include <thread>
#include <win32/Screen.h>
#include <win32/User.h>

namespace app_test {

using testing_support::MainDialog;

inline HWND DisplayWindow(HWND dialog) {
    for (HWND hwnd : win32::TopLevelWindowsBottomUp())
        if (hwnd != dialog && GetWindow(hwnd, GW_OWNER) == dialog &&
            (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
            return hwnd;
    return nullptr;
}

inline std::wstring Panel(HWND dialog, int id) {
    wchar_t text[4096]{};
    GetDlgItemTextW(dialog, id, text, 4096);
    return text;
}

using testing_support::Eventually;

inline int RunApp(screen::HeadlessScreen& screen, std::function<void()> script) {
    testing_support::Watchdog watchdog(std::chrono::seconds(60));
    (void)screen;
    std::thread user(std::move(script));
    const int code = AfxWinMain();
    user.join();
    return code;
}

} // namespace app_test
