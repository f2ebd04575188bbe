// The fixed-column scan that takes the start/stop count, the power-on hours
// and the board's manufacturer out of a report.
#include "Check.h"

#include <ReportScan.h>

#include <string>

namespace {

// The scan as written down: first occurrence, a fixed offset, a bounded copy,
// cut before the stop character.
std::wstring Expected(const std::wstring& report, const _tagScanField& field) {
    const auto at = report.find(field.lpszLabel);
    if (at == std::wstring::npos || at + field.nOffset >= report.size())
        return {};
    std::wstring piece = report.substr(at + field.nOffset, field.nCount);
    return piece.substr(0, piece.find(field.chStop));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Bytes are characters of the report; a byte of 0x80 and above becomes a
    // CJK character, as the library's reports may hold them.
    std::wstring report;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            break; // the report is a C string
        report.push_back(data[i] < 0x80 ? static_cast<wchar_t>(data[i])
                                        : static_cast<wchar_t>(0x4E00 + data[i]));
    }
    const CString strReport(report.c_str());
    for (const _tagScanField* field : {&kStartStopCount, &kPowerOnHours, &kMainboardManufacturer}) {
        const CString value = ReportScan(strReport, *field);
        FUZZ_CHECK(value.GetLength() <= field->nCount);
        FUZZ_CHECK(std::wstring(static_cast<LPCWSTR>(value)) == Expected(report, *field));
    }
    return 0;
}
