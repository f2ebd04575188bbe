#pragma once

#include "FileReader.h"
#include "Sensor.h"

#include <sysread/SysRead.h>

#include <filesystem>
#include <string>
#include <vector>

namespace hwlib {

// Sensors bound to hwmon channels. A chip is known by its name and device,
// not by its hwmonN number, which changes when a driver is reloaded: when a
// chip's folder is gone the set looks for it again.
class HwmonSet {
public:
    // Binds `sensor` to `channel` of `chip`; the raw reading is multiplied by `scale`.
    void Bind(const sysread::HwmonChip& chip, const sysread::HwmonChannel& channel, Sensor& sensor,
              double scale);
    bool Empty() const { return m_channels.empty(); }

    void Update(const std::filesystem::path& root, FileReader& reader);

    // Millidegrees, millivolts and RPM as the hwmon ABI gives them.
    static double ScaleOf(const std::string& kind);

private:
    struct Chip {
        std::string name;
        std::string devicePath;
        std::string path;
    };
    struct Channel {
        std::size_t chip;
        std::string file; // relative to the chip's folder
        double scale;
        Sensor* sensor;
    };

    bool ChipStillThere(const std::filesystem::path& root, const Chip& chip, FileReader& reader);
    void Rebind(const std::filesystem::path& root);

    std::vector<Chip> m_chips;
    std::vector<Channel> m_channels;
    std::string m_path;
    std::string m_name;
};

} // namespace hwlib
