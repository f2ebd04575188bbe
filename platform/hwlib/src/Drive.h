#pragma once

#include "HardwareItem.h"
#include "HwmonSet.h"
#include "SharedSources.h"

#include <hwlib/Environment.h>

#include <memory>
#include <string>
#include <vector>

namespace hwlib {

struct DiskInfo {
    std::string name;                    // "sda", "nvme0n1"
    std::string model;                   // trimmed; may be empty
    std::string devicePath;              // where /sys/block/X/device leads
    std::vector<std::string> devices;    // "8:0", "8:1", ... of the disk and its partitions
    std::vector<std::string> partitions; // "sda", "sda1", ...
};

// The physical whole disks under /sys/block, in name order.
std::vector<DiskInfo> DiscoverDisks(const std::filesystem::path& root);

// The model of an ATA disk from its identifier "t10.ATA     <model, 40> <serial>",
// which, unlike the SCSI model attribute, is not cut at 16 characters.
std::string AtaModelFromWwid(std::string_view wwid);

// Temperature, then the used space of its mounted file systems.
class Drive final : public HardwareItem {
public:
    Drive(DiskInfo disk, std::shared_ptr<SharedSources> sources,
          const std::vector<sysread::HwmonChip>& chips);

    void Update() override;
    // Runs smartctl: seconds, not milliseconds.
    std::string GetReport() override;

    static bool IsDriveChip(const std::string& name);

private:
    struct FileSystem {
        std::string mountPoint;
        std::string fsType;
        std::string source;
        std::optional<OpenHardwareMonitor::Hardware::FileSystemSpace> space;
    };
    bool IsOurs(const MountEntry& mount) const;
    void CollectFileSystems(const std::filesystem::path& root);

    DiskInfo m_disk;
    std::shared_ptr<SharedSources> m_sources;
    HwmonSet m_hwmon;
    Sensor* m_used = nullptr;
    std::uint64_t m_seen = 0;
    std::vector<FileSystem> m_fileSystems;
    std::vector<std::string> m_keys;
};

} // namespace hwlib
