#include "Drive.h"

#include "Report.h"
#include "SmartReport.h"

#include <hwlib/Environment.h>
#include <hwlib/ReadingText.h>

#include <algorithm>

namespace hwlib {

namespace {

bool IsWholePhysicalDisk(const std::string& name) {
    for (const char* virtualPrefix : {"loop", "zram", "dm-", "md", "ram", "nbd", "sr", "fd"}) {
        if (name.rfind(virtualPrefix, 0) == 0)
            return false;
    }
    return true;
}

std::string Gib(std::uint64_t bytes) {
    return ohm::ReadingText(static_cast<float>(static_cast<double>(bytes) / (1u << 30)), ".") +
           " GiB";
}

} // namespace

std::string AtaModelFromWwid(std::string_view wwid) {
    constexpr std::string_view prefix = "t10.ATA";
    if (wwid.rfind(prefix, 0) != 0)
        return {};
    // "t10." then the 8-character vendor "ATA     " then 40 of model.
    std::string_view rest = wwid.substr(4);
    if (rest.size() < 8)
        return {};
    rest.remove_prefix(8);
    return std::string(sysread::Trim(rest.substr(0, 40)));
}

std::vector<DiskInfo> DiscoverDisks(const std::filesystem::path& root) {
    std::vector<DiskInfo> disks;
    for (const auto& name : sysread::ListDirectory(root, "/sys/block")) {
        if (!IsWholePhysicalDisk(name))
            continue;
        const std::string base = "/sys/block/" + name;
        auto device = sysread::ResolveLink(root, base + "/device");
        if (!device)
            continue;
        DiskInfo disk;
        disk.name = name;
        disk.devicePath = *device;
        if (auto wwid = sysread::ReadAttribute(root, base + "/device/wwid"))
            disk.model = AtaModelFromWwid(*wwid);
        if (disk.model.empty())
            disk.model = sysread::ReadAttribute(root, base + "/device/model").value_or("");
        if (auto dev = sysread::ReadAttribute(root, base + "/dev"))
            disk.devices.push_back(*dev);
        disk.partitions.push_back(name);
        for (const auto& entry : sysread::ListDirectory(root, base)) {
            if (entry.rfind(name, 0) != 0 ||
                !sysread::ReadFile(root, base + "/" + entry + "/partition"))
                continue;
            disk.partitions.push_back(entry);
            if (auto dev = sysread::ReadAttribute(root, base + "/" + entry + "/dev"))
                disk.devices.push_back(*dev);
        }
        disks.push_back(std::move(disk));
    }
    return disks;
}

bool Drive::IsDriveChip(const std::string& name) {
    return name == "nvme" || name == "drivetemp";
}

Drive::Drive(DiskInfo disk, std::shared_ptr<SharedSources> sources,
             const std::vector<sysread::HwmonChip>& chips)
    : HardwareItem(disk.model.empty() ? "Generic Disk " + disk.name : disk.model,
                   ohm::HardwareType::Drive),
      m_disk(std::move(disk)), m_sources(std::move(sources)) {
    for (const auto& chip : chips) {
        // An NVMe chip hangs under the controller, which /sys/block/X/device
        // leads to; drivetemp under the SCSI device itself.
        if (!IsDriveChip(chip.name) || chip.devicePath.empty() ||
            chip.devicePath != m_disk.devicePath)
            continue;
        const sysread::HwmonChannel* pick = nullptr;
        for (const auto& channel : chip.channels) {
            if (channel.kind != "temp")
                continue;
            if (channel.label == "Composite") {
                pick = &channel;
                break;
            }
            if (!pick)
                pick = &channel;
        }
        if (pick) {
            m_hwmon.Bind(chip, *pick, AddSensor("Temperature", ohm::SensorType::Temperature), 1e-3);
            break;
        }
    }
    const auto root = ohm::RootDirectory();
    CollectFileSystems(root);
    if (!m_fileSystems.empty())
        m_used = &AddSensor("Used Space", ohm::SensorType::Load);
}

bool Drive::IsOurs(const MountEntry& mount) const {
    if (!mount.device.empty() && mount.device.rfind("0:", 0) != 0)
        return std::find(m_disk.devices.begin(), m_disk.devices.end(), mount.device) !=
               m_disk.devices.end();
    // No real device number (btrfs, /proc/mounts): go by the source's name.
    if (mount.source.rfind("/dev/", 0) != 0)
        return false;
    const std::string_view base = std::string_view(mount.source).substr(5);
    return std::find(m_disk.partitions.begin(), m_disk.partitions.end(), base) !=
           m_disk.partitions.end();
}

void Drive::CollectFileSystems(const std::filesystem::path& root) {
    const auto& mounts = m_sources->Mounts(m_seen, root);
    const auto stats = ohm::FileSystemStats();
    m_fileSystems.clear();
    m_keys.clear();
    for (const MountEntry& mount : mounts) {
        if (!IsOurs(mount))
            continue;
        // A file system mounted twice, or bind-mounted, counts once, as df does.
        const std::string& key =
            mount.device.empty() || mount.device.rfind("0:", 0) == 0 ? mount.source : mount.device;
        if (std::find(m_keys.begin(), m_keys.end(), key) != m_keys.end())
            continue;
        m_keys.push_back(key);
        m_fileSystems.push_back(
            {mount.mountPoint, mount.fsType, mount.source, stats->Space(root, mount.mountPoint)});
    }
}

void Drive::Update() {
    const auto root = ohm::RootDirectory();
    m_hwmon.Update(root, m_sources->Reader());
    if (!m_used)
        return;
    CollectFileSystems(root);
    std::uint64_t used = 0;
    std::uint64_t available = 0;
    for (const FileSystem& fs : m_fileSystems) {
        if (!fs.space || fs.space->freeBytes > fs.space->totalBytes)
            continue;
        used += fs.space->totalBytes - fs.space->freeBytes;
        available += fs.space->availableBytes;
    }
    m_used->SetValue(used + available > 0 ? std::optional<float>(static_cast<float>(
                                                100.0 * static_cast<double>(used) /
                                                static_cast<double>(used + available)))
                                          : std::nullopt);
}

std::string Drive::GetReport() {
    std::string report;
    AppendLine(report, "Drive: " + Printable(Name()));
    AppendLine(report, "Device: /dev/" + m_disk.name);
    AppendLine(report, "");
    AppendSensorTable(report, *this);
    AppendLine(report, "");
    if (m_fileSystems.empty())
        AppendLine(report, "File systems: none mounted");
    for (const FileSystem& fs : m_fileSystems) {
        std::string line = "File system: " + Printable(fs.mountPoint) + " (" +
                           Printable(fs.fsType) + ", " + Printable(fs.source) + ")";
        if (fs.space)
            line += " size " + Gib(fs.space->totalBytes) + ", free " + Gib(fs.space->freeBytes) +
                    ", available " + Gib(fs.space->availableBytes);
        else
            line += " size unknown";
        AppendLine(report, line);
    }
    AppendLine(report, "");
    const auto run =
        ohm::ProgramRunner()->Run({"smartctl", "-j", "-A", "-H", "-i", "/dev/" + m_disk.name},
                                  std::chrono::seconds(5), 1024 * 1024);
    report += SmartSection(run);
    return report;
}

} // namespace hwlib
