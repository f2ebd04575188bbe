#pragma once

// Performance counters over /proc/vmstat and /proc/diskstats. Both counters
// we offer are rates, so one needs two collections before it has a value.

#include <win32/Types.h>

using PDH_STATUS = LONG;

struct PDH_HQUERY__;
struct PDH_HCOUNTER__;
using PDH_HQUERY = PDH_HQUERY__*;
using PDH_HCOUNTER = PDH_HCOUNTER__*;

// Status values are the platform's, kept as 32-bit patterns in a LONG.
inline constexpr PDH_STATUS PdhStatus(DWORD bits) {
    return static_cast<PDH_STATUS>(bits);
}

// Success is ERROR_SUCCESS (0) of <win32/Kernel.h>.
inline constexpr PDH_STATUS PDH_CSTATUS_VALID_DATA = PdhStatus(0x00000000);
inline constexpr PDH_STATUS PDH_CSTATUS_NEW_DATA = PdhStatus(0x00000001);
inline constexpr PDH_STATUS PDH_CSTATUS_NO_MACHINE = PdhStatus(0x800007D0);
inline constexpr PDH_STATUS PDH_CSTATUS_NO_INSTANCE = PdhStatus(0x800007D1);
inline constexpr PDH_STATUS PDH_NO_DATA = PdhStatus(0x800007D5);
inline constexpr PDH_STATUS PDH_CSTATUS_NO_OBJECT = PdhStatus(0xC0000BB8);
inline constexpr PDH_STATUS PDH_CSTATUS_NO_COUNTER = PdhStatus(0xC0000BB9);
inline constexpr PDH_STATUS PDH_CSTATUS_INVALID_DATA = PdhStatus(0xC0000BBA);
inline constexpr PDH_STATUS PDH_INVALID_HANDLE = PdhStatus(0xC0000BBC);
inline constexpr PDH_STATUS PDH_INVALID_ARGUMENT = PdhStatus(0xC0000BBD);
inline constexpr PDH_STATUS PDH_CSTATUS_NO_COUNTERNAME = PdhStatus(0xC0000BBF);
inline constexpr PDH_STATUS PDH_CSTATUS_BAD_COUNTERNAME = PdhStatus(0xC0000BC0);
inline constexpr PDH_STATUS PDH_INVALID_DATA = PdhStatus(0xC0000BC6);
inline constexpr PDH_STATUS PDH_INVALID_DATASOURCE = PdhStatus(0xC0000BDD);

// Formats; NOSCALE and NOCAP100 change nothing for these counters.
inline constexpr DWORD PDH_FMT_LONG = 0x00000100;
inline constexpr DWORD PDH_FMT_DOUBLE = 0x00000200;
inline constexpr DWORD PDH_FMT_LARGE = 0x00000400;
inline constexpr DWORD PDH_FMT_NOSCALE = 0x00001000;
inline constexpr DWORD PDH_FMT_1000 = 0x00002000;
inline constexpr DWORD PDH_FMT_NOCAP100 = 0x00008000;

// Counter types reported through the type out-parameter.
inline constexpr DWORD PERF_COUNTER_COUNTER = 0x10410400;
inline constexpr DWORD PERF_COUNTER_100NS_QUEUELEN_TYPE = 0x00550500;

struct PDH_FMT_COUNTERVALUE {
    DWORD CStatus;
    union {
        LONG longValue;
        double doubleValue;
        LONGLONG largeValue;
    };
};
using PPDH_FMT_COUNTERVALUE = PDH_FMT_COUNTERVALUE*;

// dataSource must be null (real-time data); a log file is refused with
// PDH_INVALID_DATASOURCE.
PDH_STATUS WINAPI PdhOpenQueryW(LPCWSTR dataSource, DWORD_PTR userData, PDH_HQUERY* query);

// Accepts exactly the two paths above. Others are refused with the reason:
// PDH_CSTATUS_NO_COUNTERNAME (empty), PDH_CSTATUS_BAD_COUNTERNAME (not
// "\Object(Instance)\Counter"), PDH_CSTATUS_NO_MACHINE (another computer),
// PDH_CSTATUS_NO_OBJECT, PDH_CSTATUS_NO_COUNTER, PDH_CSTATUS_NO_INSTANCE.
PDH_STATUS WINAPI PdhAddCounterW(PDH_HQUERY query, LPCWSTR path, DWORD_PTR userData,
                                 PDH_HCOUNTER* counter);

// One sample of the sources the query's counters need. Fails with PDH_NO_DATA
// when the query has no counter or none of its sources can be read; a counter
// whose source alone is missing just has no value for the next two formattings.
PDH_STATUS WINAPI PdhCollectQueryData(PDH_HQUERY query);

// The rate over the last two collections. PDH_INVALID_DATA (CStatus
// PDH_CSTATUS_INVALID_DATA) while the counter has fewer than two samples.
// `type` may be null.
PDH_STATUS WINAPI PdhGetFormattedCounterValue(PDH_HCOUNTER counter, DWORD format, LPDWORD type,
                                              PPDH_FMT_COUNTERVALUE value);

// Closes the query and its counters; their handles are invalid afterwards.
PDH_STATUS WINAPI PdhCloseQuery(PDH_HQUERY query);
