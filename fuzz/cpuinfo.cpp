// /proc/cpuinfo: model names and the place of each processor.
#include "Check.h"

#include <CpuTopology.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto entries = hwlib::ParseCpuInfo(fuzz::Text(data, size));
    for (const auto& entry : entries) {
        FUZZ_CHECK(!entry.physicalId || (*entry.physicalId >= 0 && *entry.physicalId <= 1 << 20));
        FUZZ_CHECK(!entry.coreId || (*entry.coreId >= 0 && *entry.coreId <= 1 << 20));
        FUZZ_CHECK(entry.modelName.find('\n') == std::string::npos);
    }
    return 0;
}
