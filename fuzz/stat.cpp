// /proc/stat: the per-CPU lines of the hardware library, the aggregate line
// and the load between two samples of the vendor library.
#include "Check.h"

#include <CpuTimes.h>
#include <ProcReadings.h>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view before, after;
    fuzz::Split(fuzz::Text(data, size), before, after);

    std::vector<hwlib::CpuTimes> cpus(3);
    hwlib::ParseCpuTimes(before, cpus);
    FUZZ_CHECK(cpus.size() <= 65536);
    hwlib::ParseCpuTimes(after, cpus); // reuses the storage
    for (const auto& cpu : cpus) {
        FUZZ_CHECK(cpu.present || (cpu.busy == 0 && cpu.idle == 0));
        std::uint64_t total = 0;
        FUZZ_CHECK(!__builtin_add_overflow(cpu.busy, cpu.idle, &total));
    }
    for (std::size_t n = 0; n <= before.size(); n += 1 + n / 4)
        (void)hwlib::HasAllCpuLines(before.substr(0, n));

    const auto a = vendorlib::ParseCpuTimes(before);
    const auto b = vendorlib::ParseCpuTimes(after);
    for (const auto& t : {a, b})
        if (t)
            FUZZ_CHECK(t->busy <= t->total);
    if (a && b)
        if (const auto percent = vendorlib::CpuLoadPercent(*a, *b))
            FUZZ_CHECK(*percent >= 0 && *percent <= 100);
    return 0;
}
