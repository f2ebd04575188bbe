#pragma once

// The process entry of the mfc_entry library: its main() runs the startup
// hook, then AfxWinMain(). An executable registers its hook (which installs
// the screen back end) during static initialisation:
//
//     static const bool s_registered = (AfxSetStartupHook(&InstallScreen), true);
//
// A hook returns 0 to go on, or the exit code the process ends with.

using AFX_STARTUPHOOK = int (*)();

// Returns the hook it replaces.
AFX_STARTUPHOOK AfxSetStartupHook(AFX_STARTUPHOOK pfnHook);
AFX_STARTUPHOOK AfxGetStartupHook();
