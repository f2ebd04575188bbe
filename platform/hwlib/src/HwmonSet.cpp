#include "HwmonSet.h"

#include <algorithm>

namespace hwlib {

double HwmonSet::ScaleOf(const std::string& kind) {
    if (kind == "temp" || kind == "in" || kind == "curr")
        return 1e-3;
    if (kind == "power" || kind == "energy")
        return 1e-6;
    return 1.0;
}

void HwmonSet::Bind(const sysread::HwmonChip& chip, const sysread::HwmonChannel& channel,
                    Sensor& sensor, double scale) {
    auto it = std::find_if(m_chips.begin(), m_chips.end(),
                           [&](const Chip& known) { return known.path == chip.path; });
    if (it == m_chips.end()) {
        m_chips.push_back({chip.name, chip.devicePath, chip.path});
        it = m_chips.end() - 1;
    }
    std::string file =
        channel.inputPath.substr(std::min(chip.path.size() + 1, channel.inputPath.size()));
    m_channels.push_back(
        {static_cast<std::size_t>(it - m_chips.begin()), std::move(file), scale, &sensor});
}

bool HwmonSet::ChipStillThere(const std::filesystem::path& root, const Chip& chip,
                              FileReader& reader) {
    m_path.assign(chip.path).append("/name");
    if (!reader.Read(root, m_path, m_name, 4096)) {
        m_path.assign(chip.path).append("/device/name");
        if (!reader.Read(root, m_path, m_name, 4096))
            return false;
    }
    return sysread::Trim(m_name) == chip.name;
}

void HwmonSet::Rebind(const std::filesystem::path& root) {
    const auto chips = sysread::ScanHwmon(root);
    for (Chip& known : m_chips) {
        auto match = std::find_if(chips.begin(), chips.end(), [&](const sysread::HwmonChip& c) {
            return c.name == known.name && c.devicePath == known.devicePath;
        });
        known.path = match != chips.end() ? match->path : std::string();
    }
}

void HwmonSet::Update(const std::filesystem::path& root, FileReader& reader) {
    bool rebound = false;
    for (std::size_t i = 0; i < m_channels.size(); ++i) {
        Channel& channel = m_channels[i];
        const Chip& chip = m_chips[channel.chip];
        std::optional<long long> raw;
        if (!chip.path.empty()) {
            m_path.assign(chip.path).append("/").append(channel.file);
            raw = reader.ReadInteger(root, m_path);
        }
        // A failed read of a chip that is still there is just an empty
        // reading (EIO, ENODATA); a chip that vanished is looked for once.
        if (!raw && !rebound && (chip.path.empty() || !ChipStillThere(root, chip, reader))) {
            Rebind(root);
            rebound = true;
            --i;
            continue;
        }
        channel.sensor->SetValue(raw ? std::optional<float>(static_cast<float>(
                                           static_cast<double>(*raw) * channel.scale))
                                     : std::nullopt);
    }
}

} // namespace hwlib
