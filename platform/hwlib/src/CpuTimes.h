#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace hwlib {

// One CPU's line of /proc/stat, in clock ticks.
struct CpuTimes {
    bool present = false;
    std::uint64_t busy = 0; // user + nice + system + irq + softirq + steal
    std::uint64_t idle = 0; // idle + iowait
};

// The per-CPU lines of /proc/stat ("cpuN ..."), indexed by N; CPUs that are
// offline have no line and stay not present. Reuses `out`'s storage.
void ParseCpuTimes(std::string_view stat, std::vector<CpuTimes>& out);

// True once the text holds every cpu line (the first line after them has begun).
bool HasAllCpuLines(std::string_view partialStat);

} // namespace hwlib
