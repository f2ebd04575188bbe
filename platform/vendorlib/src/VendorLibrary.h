#pragma once

#include "ProcReadings.h"
#include "SensorPlan.h"

#include <filesystem>
#include <optional>

namespace vendorlib {

// The library's whole state. Not locked: the exports hold the one lock.
class VendorLibrary {
public:
    int Init(int mode);
    int InitCpuUsage();
    int Finit();
    int Reading(int index);
    int SetRootDirectory(const char* path);

private:
    void FindSensors();
    int FirstTemperature(const std::vector<std::string>& candidates) const;
    int HottestTemperature() const;
    int FanSpeed() const;
    int CpuLoad();
    int MemoryLoad() const;

    std::filesystem::path m_root = "/";
    std::optional<SensorPlan> m_plan;
    std::optional<CpuTimes> m_lastCpuTimes;
    int m_lastCpuLoad = -1;
};

} // namespace vendorlib
