#pragma once

#include "DialogTemplate.h"

#include <win32/User.h>

namespace win32::detail {

// What the dialog manager keeps for a dialog window.
struct DialogData {
    bool ended = false;
    INT_PTR result = 0;
    HFONT font = nullptr; // owned
    SIZE baseUnits{4, 8};
    HWND lastFocus = nullptr;
};

HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& templ, HWND parent,
                              DLGPROC proc, LPARAM initParam);
// Runs the modal loop of `dialog` until EndDialog; the loop handles what is
// sent to the thread's windows, and ends early on WM_QUIT (reposted) or when
// the dialog is destroyed.
void RunDialogLoop(HWND dialog);
DialogData* FindDialogData(HWND dialog);

} // namespace win32::detail
