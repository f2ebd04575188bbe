// /proc/self/mountinfo and /proc/mounts, with their octal escapes.
#include "Check.h"

#include <MountTable.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::Text(data, size);
    std::vector<hwlib::MountEntry> entries;
    hwlib::ParseMountInfo(text, entries);
    for (const auto& entry : entries) {
        FUZZ_CHECK(!entry.device.empty());
        FUZZ_CHECK(entry.device.find(' ') == std::string::npos);
    }
    hwlib::ParseMounts(text, entries);
    const std::string plain = hwlib::UnescapeMountField(text);
    FUZZ_CHECK(plain.size() <= text.size());
    return 0;
}
