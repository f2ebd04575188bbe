#include "StatvfsStats.h"

#include <sys/statvfs.h>

namespace hwlib {

std::optional<OpenHardwareMonitor::Hardware::FileSystemSpace>
StatvfsStats::Space(const std::filesystem::path& root, const std::string& mountPoint) {
    const std::filesystem::path full = root / std::filesystem::path(mountPoint).relative_path();
    struct statvfs st {};
    if (::statvfs(full.c_str(), &st) != 0)
        return std::nullopt;
    const std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    return OpenHardwareMonitor::Hardware::FileSystemSpace{
        static_cast<std::uint64_t>(st.f_blocks) * unit,
        static_cast<std::uint64_t>(st.f_bfree) * unit,
        static_cast<std::uint64_t>(st.f_bavail) * unit};
}

} // namespace hwlib
