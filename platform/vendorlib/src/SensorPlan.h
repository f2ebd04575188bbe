#pragma once

#include <sysread/SysRead.h>

#include <string>
#include <vector>

namespace vendorlib {

struct ThermalZone {
    std::string type;     // contents of "type": "acpitz", "x86_pkg_temp", ...
    std::string tempPath; // "/sys/class/thermal/thermal_zone0/temp"
};

// The files each reading is taken from, best first; a reading uses the first
// one that reads, so a sensor that vanished gives way to the next.
struct SensorPlan {
    std::vector<std::string> cpuTemp;
    std::vector<std::string> boardTemp;
    std::vector<std::string> fan;
    std::vector<std::string> allTemps;
};

SensorPlan MakeSensorPlan(const std::vector<sysread::HwmonChip>& chips,
                          const std::vector<ThermalZone>& zones);

// /sys/class/thermal/thermal_zoneN in N order.
std::vector<ThermalZone> ScanThermalZones(const std::filesystem::path& root);

} // namespace vendorlib
