#include "SharedSources.h"

namespace hwlib {

const std::vector<CpuTimes>& SharedSources::CpuSample(std::uint64_t& seen,
                                                      const std::filesystem::path& root) {
    if (seen == m_cpuSequence) {
        // The cpu lines come first; the interrupt line after them can be
        // long, so stop reading once they are all in.
        if (m_reader.ReadUntil(root, "/proc/stat", m_statText, 4 * 1024 * 1024, HasAllCpuLines))
            ParseCpuTimes(m_statText, m_cpu);
        else
            m_cpu.clear();
        ++m_cpuSequence;
    }
    seen = m_cpuSequence;
    return m_cpu;
}

const std::vector<MountEntry>& SharedSources::Mounts(std::uint64_t& seen,
                                                     const std::filesystem::path& root) {
    if (seen == m_mountSequence) {
        if (m_reader.Read(root, "/proc/self/mountinfo", m_mountText, 4 * 1024 * 1024))
            ParseMountInfo(m_mountText, m_mounts);
        else if (m_reader.Read(root, "/proc/mounts", m_mountText, 4 * 1024 * 1024))
            ParseMounts(m_mountText, m_mounts);
        else
            m_mounts.clear();
        ++m_mountSequence;
    }
    seen = m_mountSequence;
    return m_mounts;
}

} // namespace hwlib
