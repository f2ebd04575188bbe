#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hwlib {

struct MountEntry {
    std::string device;     // "8:2" from mountinfo, empty from /proc/mounts
    std::string mountPoint; // with the table's octal escapes undone
    std::string fsType;
    std::string source; // "/dev/sda2"
};

// /proc/self/mountinfo: "36 35 98:0 / /mnt rw,noatime master:1 - ext3 /dev/root rw".
void ParseMountInfo(std::string_view text, std::vector<MountEntry>& out);
// /proc/mounts: "/dev/sda2 / ext4 rw,relatime 0 0".
void ParseMounts(std::string_view text, std::vector<MountEntry>& out);

std::string UnescapeMountField(std::string_view field);

} // namespace hwlib
