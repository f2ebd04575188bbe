#pragma once

#include <res/Resource.h>
#include <win32/Screen.h>
#include <win32/User.h>

namespace testing_support {

// The main dialog once all its controls exist. Its collectors start from
// WM_INITDIALOG, after the last control (the X button) is made; a dialog
// found half-built would read a missing panel as an empty text.
inline HWND MainDialog() {
    for (HWND hwnd : win32::TopLevelWindowsBottomUp())
        if (GetDlgItem(hwnd, IDC_CPU) && GetDlgItem(hwnd, IDCANCEL))
            return hwnd;
    return nullptr;
}

} // namespace testing_support
