// smartctl's JSON output, through the parser and the drive report's section.
#include "Check.h"

#include <Json.h>
#include <SmartReport.h>

using OpenHardwareMonitor::Hardware::ProgramResult;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte is the exit status.
    ProgramResult run;
    run.status = ProgramResult::Status::Exited;
    run.exitCode = data[0];
    run.output.assign(fuzz::Text(data + 1, size - 1));
    if (const auto document = hwlib::Json::Parse(run.output))
        (void)document->Find("smartctl");

    const std::string section = hwlib::SmartSection(run);
    // Every line ends in CR LF, and neither appears anywhere else.
    FUZZ_CHECK(section.size() >= 2 && section.ends_with("\r\n"));
    for (std::size_t i = 0; i < section.size(); ++i) {
        if (section[i] == '\r')
            FUZZ_CHECK(i + 1 < section.size() && section[i + 1] == '\n');
        if (section[i] == '\n')
            FUZZ_CHECK(i > 0 && section[i - 1] == '\r');
    }
    return 0;
}
