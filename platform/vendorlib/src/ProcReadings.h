#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vendorlib {

// The aggregate "cpu" line of /proc/stat, in clock ticks.
struct CpuTimes {
    std::uint64_t busy = 0;
    std::uint64_t total = 0;
};

std::optional<CpuTimes> ParseCpuTimes(std::string_view procStat);

// Percent of the ticks between two samples that were busy, rounded; empty
// when no tick passed or the counters went backwards.
std::optional<int> CpuLoadPercent(const CpuTimes& before, const CpuTimes& after);

// Memory in use, in percent of MemTotal, from /proc/meminfo.
std::optional<int> ParseMemoryLoad(std::string_view procMeminfo);

// Millidegrees to whole degrees, halves away from zero.
int RoundMillidegrees(long long milli);

} // namespace vendorlib
