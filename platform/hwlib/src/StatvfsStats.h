#pragma once

#include <hwlib/Environment.h>

namespace hwlib {

// The space of a mounted file system as statvfs gives it, asked under the root.
class StatvfsStats final : public OpenHardwareMonitor::Hardware::IFileSystemStats {
public:
    std::optional<OpenHardwareMonitor::Hardware::FileSystemSpace>
    Space(const std::filesystem::path& root, const std::string& mountPoint) override;
};

} // namespace hwlib
