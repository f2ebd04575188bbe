#include "Sources.h"

#include <sysread/SysRead.h>

#include <charconv>
#include <system_error>

namespace pdh {

namespace {

// /proc/diskstats grows with the number of block devices.
constexpr std::size_t kDiskstatsLimit = 4 * 1024 * 1024;

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Calls `line` for every complete line. A file cut at the read limit may end
// in the middle of a number, so an unterminated last line is dropped then.
template <typename F>
void ForEachLine(std::string_view text, bool cut, F line) {
    while (!text.empty()) {
        const auto nl = text.find('\n');
        if (nl == std::string_view::npos) {
            if (!cut)
                line(text);
            return;
        }
        line(text.substr(0, nl));
        text.remove_prefix(nl + 1);
    }
}

std::string_view NextField(std::string_view& line) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const auto end = line.find_first_of(" \t");
    std::string_view field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    return field;
}

std::optional<PagingSample> ParseVmstatText(std::string_view text, bool cut) {
    std::optional<std::uint64_t> faults;
    std::optional<std::uint64_t> out;
    ForEachLine(text, cut, [&](std::string_view line) {
        const std::string_view name = NextField(line);
        const std::string_view value = NextField(line);
        if (name == "pgmajfault")
            faults = ParseUnsigned(value);
        else if (name == "pswpout")
            out = ParseUnsigned(value);
    });
    if (!faults)
        return std::nullopt;
    // Some configurations count no swap traffic; then only faults remain.
    return PagingSample{*faults, out.value_or(0)};
}

DiskSample ParseDiskstatsText(std::string_view text, bool cut,
                              const std::function<bool(std::string_view)>& isPhysical) {
    DiskSample sample;
    ForEachLine(text, cut, [&](std::string_view line) {
        // major minor name, then the statistics; field 11 is the 14th column.
        NextField(line);
        NextField(line);
        const std::string_view name = NextField(line);
        std::string_view field;
        for (int column = 4; column <= 14; ++column)
            field = NextField(line);
        auto weighted = ParseUnsigned(field);
        if (!name.empty() && weighted && isPhysical(name))
            sample[std::string(name)] = *weighted;
    });
    return sample;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

std::optional<PagingSample> ParseVmstat(std::string_view text) {
    return ParseVmstatText(text, false);
}

DiskSample ParseDiskstats(std::string_view text,
                          const std::function<bool(std::string_view)>& isPhysical) {
    return ParseDiskstatsText(text, false, isPhysical);
}

bool IsPhysicalDisk(const std::filesystem::path& root, std::string_view name) {
    for (std::string_view virtualDisk : {"loop", "ram", "zram", "dm-", "md"})
        if (StartsWith(name, virtualDisk))
            return false;
    if (name.empty() || name == "." || name == ".." || name.find("..") != std::string_view::npos)
        return false;
    // /proc/diskstats writes "cciss/c0d0" where /sys/block has "cciss!c0d0".
    std::string entry(name);
    for (char& c : entry)
        if (c == '/')
            c = '!';
    std::error_code ec;
    return std::filesystem::exists(root / "sys/block" / entry / "device", ec);
}

std::optional<PagingSample> ReadPaging(const std::filesystem::path& root) {
    auto text = sysread::ReadFile(root, "/proc/vmstat");
    if (!text)
        return std::nullopt;
    return ParseVmstatText(*text, text->size() >= sysread::kDefaultLimit);
}

std::optional<DiskSample> ReadDisks(const std::filesystem::path& root) {
    auto text = sysread::ReadFile(root, "/proc/diskstats", kDiskstatsLimit);
    if (!text)
        return std::nullopt;
    return ParseDiskstatsText(*text, text->size() >= kDiskstatsLimit,
                              [&](std::string_view name) { return IsPhysicalDisk(root, name); });
}

std::uint64_t CounterGrowth(std::uint64_t before, std::uint64_t after, std::uint64_t plausible) {
    if (after >= before)
        return after - before;
    constexpr std::uint64_t kWrap = std::uint64_t{1} << 32;
    if (before < kWrap) {
        const std::uint64_t wrapped = kWrap - before + after;
        if (wrapped <= plausible)
            return wrapped;
    }
    return 0;
}

} // namespace pdh
