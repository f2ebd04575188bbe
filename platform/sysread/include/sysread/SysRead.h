#pragma once

// Bounded, exact readers of /proc and /sys, always under a root directory so
// that tests can point them at a fixture tree. Nothing here throws: what
// cannot be read is an empty result.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sysread {

// Largest file any reader takes in; /proc and /sys files are far smaller.
inline constexpr std::size_t kDefaultLimit = 256 * 1024;

// The whole of root/path, at most `limit` bytes. Empty when it is missing,
// a directory, unreadable, or fails mid-read (EACCES, ENODATA, EIO, ...).
std::optional<std::string> ReadFile(const std::filesystem::path& root, std::string_view path,
                                    std::size_t limit = kDefaultLimit);

// The first line of a small attribute file, without its line break, with
// surrounding white space removed (sysfs pads some strings with spaces).
std::optional<std::string> ReadAttribute(const std::filesystem::path& root, std::string_view path);
// What ReadAttribute makes of a file's text.
std::string_view AttributeText(std::string_view text);

// A whole decimal integer, surrounding white space allowed; anything else
// (empty, "abc", "12x", overflow) is empty.
std::optional<long long> ParseInteger(std::string_view text);
std::optional<long long> ReadInteger(const std::filesystem::path& root, std::string_view path);

// Names in root/path, sorted; empty when it cannot be listed.
std::vector<std::string> ListDirectory(const std::filesystem::path& root, std::string_view path);

// Where the symbolic link root/link finally leads, written from root
// ("/sys/devices/..."); empty when it is no link or leads out of root.
std::optional<std::string> ResolveLink(const std::filesystem::path& root, std::string_view link);

std::string_view Trim(std::string_view text);

struct HwmonChannel {
    std::string kind; // "temp", "fan", "in", "power", "curr"
    int index = 0;    // the N of tempN_input
    std::optional<std::string> label;
    std::string inputPath; // "/sys/class/hwmon/hwmon2/temp1_input"
};

struct HwmonChip {
    std::string path; // "/sys/class/hwmon/hwmon2"
    std::string name; // contents of "name"
    // Where the chip's "device" link points, inside root ("/sys/devices/pci0000:00/..."),
    // empty when it has none.
    std::string devicePath;
    std::vector<HwmonChannel> channels; // by kind, then index
};

// Every chip under /sys/class/hwmon in hwmon number order. Channels are the
// *_input files; a label is read when a matching *_label exists.
std::vector<HwmonChip> ScanHwmon(const std::filesystem::path& root);

} // namespace sysread
