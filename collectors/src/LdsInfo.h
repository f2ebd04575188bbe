#pragma once

// The vendor sensor-library collector: its binding to the library and one pass.

#include <win32/Types.h>

// The exports as called. The library's own convention is WINAPI; the
// callback's is the platform's C convention.
using TPCALLBACK = int (*)();
using PFNGETINFO2 = int(WINAPI*)(int nIndex);
using PFNINIT = int(WINAPI*)(int nMode, TPCALLBACK pfnCallback);

// The library's callback: stateless, so safe from any thread.
int tp();

// The whole collector, with the library's file name as a parameter so that a
// stand-in can be loaded by path. GetLDSInfo passes the bare name.
DWORD LdsInfoRun(HWND inHwnd, LPCSTR lpszLibrary);

// One pass: readings 1, 7, 3, 2, 5, 6 written to their four panels, then
// the pause of dwPause ms.
void LdsInfoPass(HWND inHwnd, PFNGETINFO2 pfnGetInfo2, DWORD dwPause);
