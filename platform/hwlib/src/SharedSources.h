#pragma once

#include "CpuTimes.h"
#include "FileReader.h"
#include "MountTable.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace hwlib {

// The files that several items of one Computer read: each is read once per
// pass. An item that has already seen the current sample asks for a new one,
// so a pass is whatever lies between two updates of the same item.
class SharedSources {
public:
    const std::vector<CpuTimes>& CpuSample(std::uint64_t& seen, const std::filesystem::path& root);
    const std::vector<MountEntry>& Mounts(std::uint64_t& seen, const std::filesystem::path& root);

    FileReader& Reader() { return m_reader; }

private:
    FileReader m_reader;
    std::string m_statText;
    std::vector<CpuTimes> m_cpu;
    std::uint64_t m_cpuSequence = 0;
    std::string m_mountText;
    std::vector<MountEntry> m_mounts;
    std::uint64_t m_mountSequence = 0;
};

} // namespace hwlib
