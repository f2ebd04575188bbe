#include "VendorLibrary.h"

#include <vendorlib/VendorLib.h>

#include <sysread/SysRead.h>

#include <algorithm>
#include <climits>

namespace vendorlib {

namespace {

// The range temperature sensors are specified for. Unconnected Super-I/O
// inputs read 127 °C or -128 °C and are no reading.
constexpr long long kMinMillidegrees = -40'000;
constexpr long long kMaxMillidegrees = 125'000;

std::optional<int> ReadTemperature(const std::filesystem::path& root, const std::string& path) {
    auto milli = sysread::ReadInteger(root, path);
    if (!milli || *milli < kMinMillidegrees || *milli > kMaxMillidegrees)
        return std::nullopt;
    return RoundMillidegrees(*milli);
}

} // namespace

int VendorLibrary::Init(int mode) {
    switch (mode) {
    case kTarvikInitFindSensors:
        FindSensors();
        return 0;
    case kTarvikInitFirstSamples:
        if (!m_plan)
            FindSensors();
        InitCpuUsage();
        return 0;
    default:
        return -1;
    }
}

int VendorLibrary::InitCpuUsage() {
    m_lastCpuLoad = kTarvikNoReading;
    m_lastCpuTimes.reset();
    if (auto text = sysread::ReadFile(m_root, "/proc/stat"))
        m_lastCpuTimes = ParseCpuTimes(*text);
    return m_lastCpuTimes ? 0 : -1;
}

int VendorLibrary::Finit() {
    m_plan.reset();
    m_lastCpuTimes.reset();
    m_lastCpuLoad = kTarvikNoReading;
    return 0;
}

int VendorLibrary::SetRootDirectory(const char* path) {
    if (m_plan)
        return -1;
    m_root = (path && *path) ? std::filesystem::path(path) : std::filesystem::path("/");
    m_lastCpuTimes.reset();
    m_lastCpuLoad = kTarvikNoReading;
    return 0;
}

void VendorLibrary::FindSensors() {
    m_plan = MakeSensorPlan(sysread::ScanHwmon(m_root), ScanThermalZones(m_root));
}

int VendorLibrary::Reading(int index) {
    if (!m_plan)
        return kTarvikNoReading;
    switch (index) {
    case 1:
        return FirstTemperature(m_plan->cpuTemp);
    case 2:
        return CpuLoad();
    case 3:
        return FirstTemperature(m_plan->boardTemp);
    case 5:
        return MemoryLoad();
    case 6:
        return HottestTemperature();
    case 7:
        return FanSpeed();
    default:
        return kTarvikNoReading;
    }
}

int VendorLibrary::FirstTemperature(const std::vector<std::string>& candidates) const {
    for (const auto& path : candidates)
        if (auto degrees = ReadTemperature(m_root, path))
            return *degrees;
    return kTarvikNoReading;
}

int VendorLibrary::HottestTemperature() const {
    std::optional<int> hottest;
    for (const auto& path : m_plan->allTemps)
        if (auto degrees = ReadTemperature(m_root, path))
            hottest = std::max(hottest.value_or(INT_MIN), *degrees);
    return hottest.value_or(kTarvikNoReading);
}

int VendorLibrary::FanSpeed() const {
    for (const auto& path : m_plan->fan) {
        auto rpm = sysread::ReadInteger(m_root, path);
        if (rpm && *rpm >= 0)
            return static_cast<int>(std::min<long long>(*rpm, INT_MAX));
    }
    return kTarvikNoReading;
}

int VendorLibrary::CpuLoad() {
    auto text = sysread::ReadFile(m_root, "/proc/stat");
    auto now = text ? ParseCpuTimes(*text) : std::nullopt;
    if (!now)
        return kTarvikNoReading;
    if (m_lastCpuTimes) {
        auto percent = CpuLoadPercent(*m_lastCpuTimes, *now);
        if (percent)
            m_lastCpuLoad = *percent;
        // No tick since the last reading: nothing new to say, keep the last load.
        if (!percent && now->total == m_lastCpuTimes->total)
            return m_lastCpuLoad;
    }
    m_lastCpuTimes = now;
    return m_lastCpuLoad;
}

int VendorLibrary::MemoryLoad() const {
    auto text = sysread::ReadFile(m_root, "/proc/meminfo");
    auto percent = text ? ParseMemoryLoad(*text) : std::nullopt;
    return percent.value_or(kTarvikNoReading);
}

} // namespace vendorlib
