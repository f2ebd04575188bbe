#pragma once

#include "FileReader.h"
#include "HardwareItem.h"
#include "HwmonSet.h"

namespace hwlib {

// The board from DMI, with the temperatures, fans and voltages of its
// Super-I/O or embedded-controller chips as its own sensors.
class Mainboard final : public HardwareItem {
public:
    Mainboard(const std::filesystem::path& root, const std::vector<sysread::HwmonChip>& chips);

    void Update() override;
    std::string GetReport() override;

    static bool IsBoardChip(const std::string& name);

    struct Dmi {
        std::string boardVendor, boardName, boardVersion;
        std::string systemVendor, productName;
        std::string biosVendor, biosVersion, biosDate;
    };
    // The item's name from the board's DMI strings.
    static std::string NameOf(const Dmi& dmi);

private:
    static Dmi ReadDmi(const std::filesystem::path& root);

    Dmi m_dmi;
    std::vector<std::string> m_chipNames;
    HwmonSet m_hwmon;
    FileReader m_reader;
};

} // namespace hwlib
