#include "CpuTopology.h"

#include <sysread/SysRead.h>

#include <algorithm>
#include <map>

namespace hwlib {

namespace {

std::optional<int> AsInt(std::string_view text) {
    const auto value = sysread::ParseInteger(text);
    if (!value || *value < 0 || *value > 1 << 20)
        return std::nullopt;
    return static_cast<int>(*value);
}

} // namespace

std::vector<CpuInfoEntry> ParseCpuInfo(std::string_view text) {
    std::vector<CpuInfoEntry> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = sysread::Trim(line.substr(0, colon));
        const std::string_view value = sysread::Trim(line.substr(colon + 1));
        if (key == "processor") {
            entries.emplace_back();
            if (auto n = sysread::ParseInteger(value))
                entries.back().processor = static_cast<int>(*n);
            continue;
        }
        if (entries.empty())
            continue;
        CpuInfoEntry& entry = entries.back();
        if (key == "model name")
            entry.modelName.assign(value);
        else if (key == "physical id")
            entry.physicalId = AsInt(value);
        else if (key == "core id")
            entry.coreId = AsInt(value);
    }
    return entries;
}

std::optional<CpuPlace> PlaceOfCpu(const std::filesystem::path& root, int cpu,
                                   const std::vector<CpuInfoEntry>& info) {
    const std::string base = "/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/";
    auto package = sysread::ReadInteger(root, base + "physical_package_id");
    auto core = sysread::ReadInteger(root, base + "core_id");
    auto entry = std::find_if(info.begin(), info.end(),
                              [&](const CpuInfoEntry& e) { return e.processor == cpu; });
    if (entry != info.end()) {
        if (!package && entry->physicalId)
            package = *entry->physicalId;
        if (!core && entry->coreId)
            core = *entry->coreId;
    }
    if (!package && !core && entry == info.end())
        return std::nullopt;
    // Without any topology every CPU counts as a core of its own.
    return CpuPlace{static_cast<int>(package.value_or(0)), static_cast<int>(core.value_or(cpu))};
}

std::vector<CpuPackage> DiscoverPackages(const std::filesystem::path& root,
                                         const std::vector<int>& onlineCpus) {
    const auto cpuinfo = sysread::ReadFile(root, "/proc/cpuinfo", 8 * 1024 * 1024);
    const auto info = ParseCpuInfo(cpuinfo.value_or(std::string()));

    std::map<int, std::map<int, std::vector<int>>> layout;
    std::map<int, std::string> names;
    for (int cpu : onlineCpus) {
        const auto place = PlaceOfCpu(root, cpu, info);
        if (!place)
            continue;
        layout[place->packageId][place->coreId].push_back(cpu);
        auto entry = std::find_if(info.begin(), info.end(),
                                  [&](const CpuInfoEntry& e) { return e.processor == cpu; });
        if (entry != info.end() && !entry->modelName.empty() && !names.count(place->packageId))
            names[place->packageId] = entry->modelName;
    }

    std::vector<CpuPackage> packages;
    for (auto& [packageId, cores] : layout) {
        CpuPackage package;
        package.packageId = packageId;
        auto name = names.find(packageId);
        package.name = name != names.end() ? name->second : "Unknown Processor";
        for (auto& [coreId, cpus] : cores) {
            std::sort(cpus.begin(), cpus.end());
            package.cores.push_back({coreId, cpus});
        }
        packages.push_back(std::move(package));
    }
    return packages;
}

} // namespace hwlib
