#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pdh {

// The vmstat counters behind "\Memory\Pages/sec".
struct PagingSample {
    std::uint64_t majorFaults = 0; // pgmajfault
    std::uint64_t pagesOut = 0;    // pswpout
};

// Weighted milliseconds of I/O (field 11 of the disk statistics) per whole disk.
using DiskSample = std::map<std::string, std::uint64_t>;

std::optional<PagingSample> ParseVmstat(std::string_view text);

// Lines of disks that `isPhysical` accepts; a line too short or garbled is
// left out.
DiskSample ParseDiskstats(std::string_view text,
                          const std::function<bool(std::string_view)>& isPhysical);

// A whole disk has a device below it in /sys/block; loop, ram, zram, device
// mapper and md arrays never count.
bool IsPhysicalDisk(const std::filesystem::path& root, std::string_view name);

std::optional<PagingSample> ReadPaging(const std::filesystem::path& root);
std::optional<DiskSample> ReadDisks(const std::filesystem::path& root);

// Growth of a kernel counter kept in an unsigned long. Going backwards is a
// 32-bit wrap when that growth is at most `plausible`; otherwise the counter
// was reset and grew by nothing that can be known, 0.
std::uint64_t CounterGrowth(std::uint64_t before, std::uint64_t after, std::uint64_t plausible);

} // namespace pdh
