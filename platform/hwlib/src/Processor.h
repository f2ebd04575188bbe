#pragma once

#include "CpuTopology.h"
#include "HardwareItem.h"
#include "HwmonSet.h"
#include "SharedSources.h"

#include <memory>

namespace hwlib {

// One physical package: a load per core, the total load, then the
// temperatures of its hwmon chip.
class Processor final : public HardwareItem {
public:
    Processor(CpuPackage package, std::shared_ptr<SharedSources> sources,
              const std::vector<sysread::HwmonChip>& chips, std::size_t packageOrdinal);

    void Update() override;
    std::string GetReport() override;

    // True for hwmon chips that belong to a processor rather than the board.
    static bool IsProcessorChip(const std::string& name);

private:
    struct Load {
        Sensor* sensor = nullptr;
        std::uint64_t busy = 0;
        std::uint64_t total = 0;
        bool anyOnline = false;
    };
    enum class Owner : int { Unknown = -2, Other = -1 }; // else a core index

    void BindTemperatures(const std::vector<sysread::HwmonChip>& chips, std::size_t ordinal);
    void ResolveCpu(const std::filesystem::path& root, std::size_t cpu);
    static void Finish(Load& load);

    CpuPackage m_package;
    std::shared_ptr<SharedSources> m_sources;
    std::vector<Load> m_cores;
    Load m_total;
    std::vector<int> m_owner; // per CPU number: a core index or an Owner
    std::vector<CpuTimes> m_previous;
    std::uint64_t m_seen = 0;
    bool m_first = true;
    HwmonSet m_hwmon;
};

} // namespace hwlib
