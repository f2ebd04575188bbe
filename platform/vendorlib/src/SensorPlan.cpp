#include "SensorPlan.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

namespace vendorlib {

namespace {

using sysread::HwmonChannel;
using sysread::HwmonChip;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsCpuChip(const HwmonChip& chip) {
    return chip.name == "coretemp" || chip.name == "k10temp" || chip.name == "zenpower";
}

// Super-I/O chips whose first temperature input is the board's system sensor.
bool IsIteChip(const HwmonChip& chip) {
    return StartsWith(chip.name, "it8");
}

const HwmonChannel* FirstTemp(const HwmonChip& chip) {
    for (const auto& channel : chip.channels)
        if (channel.kind == "temp")
            return &channel;
    return nullptr;
}

// Candidates with a rank, so that the best label of any chip comes before a
// fallback of an earlier chip; chips keep their hwmon order within a rank.
class Ranked {
public:
    void Add(int rank, const std::string& path) { m_items.emplace_back(rank, path); }
    std::vector<std::string> Take() {
        std::stable_sort(m_items.begin(), m_items.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::string> paths;
        for (auto& item : m_items)
            if (std::find(paths.begin(), paths.end(), item.second) == paths.end())
                paths.push_back(std::move(item.second));
        return paths;
    }

private:
    std::vector<std::pair<int, std::string>> m_items;
};

int CpuLabelRank(const HwmonChip& chip, const std::string& label) {
    if (chip.name == "coretemp" && label == "Package id 0")
        return 0;
    if (chip.name == "k10temp" && label == "Tctl")
        return 1;
    if (chip.name == "zenpower" && label == "Tctl")
        return 2;
    if (chip.name == "zenpower" && label == "Tdie")
        return 3;
    return -1;
}

} // namespace

SensorPlan MakeSensorPlan(const std::vector<HwmonChip>& chips,
                          const std::vector<ThermalZone>& zones) {
    SensorPlan plan;
    Ranked cpu;
    Ranked board;
    for (const auto& chip : chips) {
        for (const auto& channel : chip.channels) {
            if (channel.kind == "fan")
                plan.fan.push_back(channel.inputPath);
            if (channel.kind != "temp")
                continue;
            plan.allTemps.push_back(channel.inputPath);
            const std::string label = channel.label.value_or("");
            if (IsCpuChip(chip))
                if (int rank = CpuLabelRank(chip, label); rank >= 0)
                    cpu.Add(rank, channel.inputPath);
            if (label == "SYSTIN")
                board.Add(0, channel.inputPath);
        }
        const HwmonChannel* first = FirstTemp(chip);
        if (!first)
            continue;
        if (IsCpuChip(chip))
            cpu.Add(4, first->inputPath);
        if (IsIteChip(chip))
            board.Add(1, first->inputPath);
        if (chip.name == "acpitz")
            board.Add(2, first->inputPath);
    }
    for (const auto& zone : zones) {
        if (zone.type == "acpitz")
            board.Add(3, zone.tempPath);
        plan.allTemps.push_back(zone.tempPath);
    }
    plan.cpuTemp = cpu.Take();
    plan.boardTemp = board.Take();
    return plan;
}

std::vector<ThermalZone> ScanThermalZones(const std::filesystem::path& root) {
    std::vector<std::pair<int, std::string>> numbered;
    constexpr std::string_view prefix = "thermal_zone";
    for (const auto& entry : sysread::ListDirectory(root, "/sys/class/thermal")) {
        if (!StartsWith(entry, prefix))
            continue;
        int n = 0;
        const char* first = entry.data() + prefix.size();
        const char* last = entry.data() + entry.size();
        auto [ptr, ec] = std::from_chars(first, last, n);
        if (ec == std::errc() && ptr == last && first != last)
            numbered.emplace_back(n, entry);
    }
    std::sort(numbered.begin(), numbered.end());

    std::vector<ThermalZone> zones;
    for (const auto& [n, entry] : numbered) {
        const std::string dir = "/sys/class/thermal/" + entry;
        auto type = sysread::ReadAttribute(root, dir + "/type");
        if (type)
            zones.push_back({*type, dir + "/temp"});
    }
    return zones;
}

} // namespace vendorlib
