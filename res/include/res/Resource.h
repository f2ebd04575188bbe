#pragma once

// Resource ids of the executable. IDOK and IDCANCEL belong to the platform
// layer (1 and 2).

#define IDD_TARVIK_DIALOG 102
#define IDB_SKIN 129
#define IDR_MAINFRAME 132

// The panels: static controls that the collectors write.
#define IDC_CPU 1000
#define IDC_GPU 1001
#define IDC_HDD 1002
#define IDC_SMART 1003
#define IDC_MAINBOARD 1004
#define IDC_MEM 1005
#define IDC_CPU_TEMP 1006
#define IDC_FAN 1007
#define IDC_MB_TEMP 1008
#define IDC_UNKNOWN 1009
#define IDC_PAGES_SEC 1010
#define IDC_DISK_QUEUE 1011
