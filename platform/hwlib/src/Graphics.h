#pragma once

#include "FileReader.h"
#include "HardwareItem.h"
#include "HwmonSet.h"

namespace hwlib {

// A GPU with its own hwmon chip: temperatures, then the busy percentage of
// its device, then fans.
class Graphics final : public HardwareItem {
public:
    Graphics(const std::filesystem::path& root, const sysread::HwmonChip& chip);

    void Update() override;
    std::string GetReport() override;

    static bool IsGpuChip(const std::string& name);

private:
    static std::string NameOf(const std::filesystem::path& root, const sysread::HwmonChip& chip);

    std::string m_driver;
    std::string m_devicePath;
    HwmonSet m_hwmon;
    Sensor* m_busy = nullptr;
    Sensor* m_memoryBusy = nullptr;
    FileReader m_reader;
    std::string m_path;
};

} // namespace hwlib
