#include "CpuTimes.h"

#include <charconv>

namespace hwlib {

namespace {

bool NextNumber(std::string_view& rest, std::uint64_t& value) {
    std::size_t i = 0;
    while (i < rest.size() && rest[i] == ' ')
        ++i;
    auto [ptr, ec] = std::from_chars(rest.data() + i, rest.data() + rest.size(), value);
    if (ec != std::errc())
        return false;
    rest.remove_prefix(static_cast<std::size_t>(ptr - rest.data()));
    return true;
}

} // namespace

void ParseCpuTimes(std::string_view stat, std::vector<CpuTimes>& out) {
    for (auto& cpu : out)
        cpu = CpuTimes{};
    while (!stat.empty()) {
        const std::size_t end = stat.find('\n');
        std::string_view line = stat.substr(0, end);
        stat.remove_prefix(end == std::string_view::npos ? stat.size() : end + 1);
        if (line.size() < 4 || line.substr(0, 3) != "cpu")
            continue;
        line.remove_prefix(3);
        unsigned index = 0;
        auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), index);
        if (ec != std::errc() || ptr == line.data() || index > 65535)
            continue; // the "cpu " sum line, or garbage
        line.remove_prefix(static_cast<std::size_t>(ptr - line.data()));
        // user nice system idle iowait irq softirq steal (guest is inside user)
        std::uint64_t field[8] = {};
        int count = 0;
        while (count < 8 && NextNumber(line, field[count]))
            ++count;
        if (count < 4)
            continue;
        // Counters whose sum does not fit are garbled, not a wrapped total.
        std::uint64_t busy = 0, idle = 0, total = 0;
        bool wraps = false;
        for (int i : {0, 1, 2, 5, 6, 7})
            wraps |= __builtin_add_overflow(busy, field[i], &busy);
        wraps |= __builtin_add_overflow(field[3], field[4], &idle);
        if (wraps || __builtin_add_overflow(busy, idle, &total))
            continue;
        if (out.size() <= index)
            out.resize(index + 1);
        CpuTimes& cpu = out[index];
        cpu.present = true;
        cpu.busy = busy;
        cpu.idle = idle;
    }
}

bool HasAllCpuLines(std::string_view partialStat) {
    std::size_t start = 0;
    while (start < partialStat.size()) {
        const std::size_t end = partialStat.find('\n', start);
        if (end == std::string_view::npos)
            return false;
        start = end + 1;
        if (partialStat.size() - start < 3)
            return false;
        if (partialStat.substr(start, 3) != "cpu")
            return true;
    }
    return false;
}

} // namespace hwlib
