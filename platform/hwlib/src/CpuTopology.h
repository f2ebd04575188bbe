#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hwlib {

struct CpuCore {
    int coreId = 0;
    std::vector<int> cpus; // hardware threads, ascending
};

struct CpuPackage {
    int packageId = 0;
    std::string name;
    std::vector<CpuCore> cores; // by core id
};

struct CpuPlace {
    int packageId = 0;
    int coreId = 0;
};

// The processor's "model name" of each "processor" block of /proc/cpuinfo,
// with "physical id" and "core id" where given.
struct CpuInfoEntry {
    int processor = -1;
    std::optional<int> physicalId;
    std::optional<int> coreId;
    std::string modelName;
};
std::vector<CpuInfoEntry> ParseCpuInfo(std::string_view text);

// Where a CPU sits, from sysfs topology, else from cpuinfo; empty when it is
// offline and neither knows.
std::optional<CpuPlace> PlaceOfCpu(const std::filesystem::path& root, int cpu,
                                   const std::vector<CpuInfoEntry>& info);

// The packages of the CPUs listed, in package order.
std::vector<CpuPackage> DiscoverPackages(const std::filesystem::path& root,
                                         const std::vector<int>& onlineCpus);

} // namespace hwlib
