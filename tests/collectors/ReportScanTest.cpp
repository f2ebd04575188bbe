#include "ReportScan.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// A drive report line: the label at the line's start, its value 66
// characters after the label's first character.
std::wstring DriveLine(const std::wstring& label, const std::wstring& value) {
    return label + std::wstring(66 - label.size(), L' ') + value + L"\r\n";
}

std::wstring Scan(const std::wstring& report, const _tagScanField& field) {
    return ReportScan(CString(report.c_str()), field).GetString();
}

TEST(ReportScan, DriveValues) {
    const std::wstring kCount = L"Start/Stop Count";
    struct Case {
        std::wstring report;
        std::wstring expected;
        const char* why;
    } cases[] = {
        {DriveLine(kCount, L"1234     raw"), L"1234", "stops at the space"},
        {DriveLine(kCount, L"12345678 x"), L"12345678", "8 digits and a space"},
        {DriveLine(kCount, L"123456789 x"), L"123456789", "9 digits"},
        {DriveLine(kCount, L"1234567890"), L"123456789", "10 characters cut to 9"},
        {DriveLine(kCount, L" 1234"), L"", "a space at the copy position"},
        {DriveLine(kCount, L"11 ") + DriveLine(kCount, L"22 "), L"11", "the first label counts"},
        {L"x" + DriveLine(kCount, L"77 "), L"77", "the column counts from the label"},
        {kCount + std::wstring(50, L' ') + L"42", L"42", "the report ends inside the copy"},
        {kCount + std::wstring(49, L' '), L"", "the report ends before the copy"},
        {kCount + std::wstring(50, L' '), L"", "the report ends at the copy"},
        {DriveLine(L"Start/stop count", L"5 "), L"", "the label is case-sensitive"},
        {L"", L"", "an empty report"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Scan(c.report, kStartStopCount), c.expected) << c.why;

    EXPECT_EQ(Scan(DriveLine(kCount, L"1 ") + DriveLine(L"Power-On Hours (POH)", L"5678 h"),
                   kPowerOnHours),
              L"5678");
}

TEST(ReportScan, MainboardManufacturer) {
    const std::wstring kLabel = L"Mainboard Manufacturer: ";
    const std::wstring k120(120, L'M');
    struct Case {
        std::wstring report;
        std::wstring expected;
        const char* why;
    } cases[] = {
        {L"Mainboard\r\n" + kLabel + L"ASUSTeK COMPUTER INC.\r\nName: X\r\n",
         L"ASUSTeK COMPUTER INC.", "stops at the carriage return"},
        {kLabel + k120 + L"\r\n", std::wstring(99, L'M'), "a 120-character line keeps 99"},
        {kLabel + L"LENOVO\nMainboard Name: 21AH\n", L"LENOVO\nMainboard Name: 21AH\n",
         "a bare line feed does not stop it"},
        {kLabel + L"LENOVO", L"LENOVO", "the report ends inside the copy"},
        {L"Mainboard Manufacturer:", L"", "the report ends at the label"},
        {L"Mainboard Name: X\r\n", L"", "no label"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Scan(c.report, kMainboardManufacturer), c.expected) << c.why;
}

} // namespace
