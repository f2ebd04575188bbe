#pragma once

// The three collector threads of the main dialog. Each is an operating-system
// thread procedure whose parameter is the dialog's window handle; they write
// the panels with SetDlgItemTextW and know nothing else of the dialog.

#include <win32/Types.h>

// The hardware-monitoring library: IDC_CPU, IDC_GPU, IDC_HDD, IDC_SMART,
// IDC_MAINBOARD and IDC_MEM, once a second. Never returns.
DWORD WINAPI GetRealtimeInfo(LPVOID inHwnd);

// Vendor readings into the four small panels, once a second; ends only when
// the library cannot be used.
DWORD WINAPI GetLDSInfo(LPVOID inHwnd);

// The performance counters: IDC_PAGES_SEC and IDC_DISK_QUEUE, once a second.
// Returns when a collection fails.
DWORD WINAPI GetPdhInfo(LPVOID inHwnd);
