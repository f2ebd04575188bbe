// /proc/meminfo: the hardware library's total and available amounts and the
// vendor library's memory load.
#include "Check.h"

#include <Memory.h>
#include <ProcReadings.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::Text(data, size);
    (void)hwlib::ParseMemInfo(text);
    if (const auto load = vendorlib::ParseMemoryLoad(text))
        FUZZ_CHECK(*load >= 0 && *load <= 100);
    return 0;
}
