#pragma once

#include "FileReader.h"
#include "HardwareItem.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace hwlib {

struct MemInfo {
    std::optional<std::uint64_t> totalKiB;
    std::optional<std::uint64_t> availableKiB;
};
MemInfo ParseMemInfo(std::string_view text);

// Load, then the used amount, then the available amount.
class Memory final : public HardwareItem {
public:
    Memory();

    void Update() override;
    std::string GetReport() override;

private:
    FileReader m_reader;
    std::string m_text;
    MemInfo m_info;
    Sensor& m_load;
    Sensor& m_used;
    Sensor& m_available;
};

} // namespace hwlib
