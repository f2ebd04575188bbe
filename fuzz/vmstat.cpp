// /proc/vmstat: the counters behind the paging rate, and their growth between
// two samples.
#include "Check.h"

#include <Sources.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view before, after;
    fuzz::Split(fuzz::Text(data, size), before, after);
    const auto a = pdh::ParseVmstat(before);
    const auto b = pdh::ParseVmstat(after);
    if (a && b) {
        constexpr std::uint64_t kPlausible = 1000 * 1000;
        const auto faults = pdh::CounterGrowth(a->majorFaults, b->majorFaults, kPlausible);
        if (b->majorFaults < a->majorFaults)
            FUZZ_CHECK(faults <= kPlausible);
    }
    return 0;
}
