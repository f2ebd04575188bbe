#pragma once

// The performance-counter collector: its state, its set-up and one pass.

#include <mfc/String.h>
#include <win32/Pdh.h>
#include <win32/Types.h>

inline constexpr wchar_t kPagesPath[] = L"\\Memory\\Pages/sec";
inline constexpr wchar_t kQueuePath[] = L"\\PhysicalDisk(_Total)\\Avg. Disk Queue Length";

struct _tagPdhInfo {
    PDH_HQUERY hQuery = nullptr;
    PDH_HCOUNTER hPages = nullptr;
    PDH_HCOUNTER hQueue = nullptr;
    PDH_FMT_COUNTERVALUE value{}; // reused for both counters
    CString strText;              // reused for every write
    PDH_STATUS status = 0;        // of the last add or collect
};

// Opens the query, adds both counters and collects once; the status of the
// first step that failed, or zero.
PDH_STATUS PdhInfoSetUp(_tagPdhInfo& info);

// One pass: each counter that can be formatted is written to its panel, then
// the pause of dwPause ms and a collection, whose status is returned.
PDH_STATUS PdhInfoPass(HWND inHwnd, _tagPdhInfo& info, DWORD dwPause);
