#pragma once

// Values taken out of an item's report by column: a fixed offset from a
// label, a bounded length, cut at a stop character.

#include <mfc/String.h>
#include <win32/Types.h>

struct _tagScanField {
    LPCWSTR lpszLabel;
    int nOffset; // from the label's first character
    int nCount;  // characters copied at most
    WCHAR chStop;
};

inline constexpr _tagScanField kStartStopCount{L"Start/Stop Count", 66, 9, L' '};
inline constexpr _tagScanField kPowerOnHours{L"Power-On Hours (POH)", 66, 9, L' '};
inline constexpr _tagScanField kMainboardManufacturer{L"Mainboard Manufacturer:", 24, 99, L'\r'};

// The value of `field` in `strReport`; empty when the label is missing or the
// report ends before the copy would start.
CString ReportScan(const CString& strReport, const _tagScanField& field);
