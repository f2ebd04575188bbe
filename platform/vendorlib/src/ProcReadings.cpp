#include "ProcReadings.h"

#include <sysread/SysRead.h>

#include <array>
#include <charconv>
#include <string>

namespace vendorlib {

namespace {

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
    std::uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::string_view NextField(std::string_view& line) {
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    std::size_t end = line.find_first_of(" \t");
    std::string_view field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    return field;
}

std::string_view LineStartingWith(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (line.substr(0, key.size()) == key)
            return line.substr(key.size());
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
    return {};
}

} // namespace

std::optional<CpuTimes> ParseCpuTimes(std::string_view procStat) {
    // cpu  user nice system idle iowait irq softirq steal guest guest_nice;
    // guest time is already counted in user and nice, so it is left out.
    std::string_view line = LineStartingWith(procStat, "cpu ");
    std::array<std::uint64_t, 8> ticks{};
    std::size_t count = 0;
    while (count < ticks.size()) {
        std::string_view field = NextField(line);
        if (field.empty())
            break;
        auto value = ParseUnsigned(field);
        if (!value)
            return std::nullopt;
        ticks[count++] = *value;
    }
    // Kernels before 2.6.11 have no steal and before 2.6 no iowait/irq/softirq.
    if (count < 4)
        return std::nullopt;
    // Counters whose sum does not fit are garbled, not a wrapped total.
    CpuTimes times;
    for (std::size_t i = 0; i < count; ++i)
        if (__builtin_add_overflow(times.total, ticks[i], &times.total))
            return std::nullopt;
    const std::uint64_t idle = ticks[3] + (count > 4 ? ticks[4] : 0);
    times.busy = times.total - idle;
    return times;
}

std::optional<int> CpuLoadPercent(const CpuTimes& before, const CpuTimes& after) {
    if (after.total <= before.total || after.busy < before.busy)
        return std::nullopt;
    const std::uint64_t total = after.total - before.total;
    const std::uint64_t busy = after.busy - before.busy;
    if (busy > total)
        return std::nullopt;
    // In 128 bits, so that counters near the top of the range cannot wrap.
    using Wide = unsigned __int128;
    return static_cast<int>((Wide{busy} * 200 + total) / (Wide{total} * 2));
}

std::optional<int> ParseMemoryLoad(std::string_view procMeminfo) {
    auto kib = [&](std::string_view key) -> std::optional<std::uint64_t> {
        std::string_view rest = LineStartingWith(procMeminfo, key);
        std::string_view value = NextField(rest);
        return value.empty() ? std::nullopt : ParseUnsigned(value);
    };
    auto total = kib("MemTotal:");
    if (!total || *total == 0)
        return std::nullopt;
    auto available = kib("MemAvailable:");
    if (!available) {
        // Kernels before 3.14 have no MemAvailable.
        auto free = kib("MemFree:");
        if (!free)
            return std::nullopt;
        available = *free + kib("Buffers:").value_or(0) + kib("Cached:").value_or(0);
    }
    if (*available > *total)
        return 0;
    const std::uint64_t used = *total - *available;
    using Wide = unsigned __int128;
    return static_cast<int>((Wide{used} * 200 + *total) / (Wide{*total} * 2));
}

int RoundMillidegrees(long long milli) {
    return static_cast<int>(milli >= 0 ? (milli + 500) / 1000 : (milli - 500) / 1000);
}

} // namespace vendorlib
