// /proc/diskstats: the weighted I/O time of each disk.
#include "Check.h"

#include <Sources.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::Text(data, size);
    std::size_t asked = 0;
    const auto sample = pdh::ParseDiskstats(text, [&](std::string_view name) {
        ++asked;
        FUZZ_CHECK(!name.empty());
        FUZZ_CHECK(name.find_first_of(" \t\n") == std::string_view::npos);
        return name.front() != 'x';
    });
    FUZZ_CHECK(sample.size() <= asked);
    for (const auto& [name, value] : sample)
        FUZZ_CHECK(!name.empty() && name.front() != 'x');
    (void)pdh::IsPhysicalDisk("/nonexistent-root", text.substr(0, 64));
    return 0;
}
