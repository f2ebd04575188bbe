#include "Query.h"

#include "Status.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pdh {

namespace {

// The fastest a counter can plausibly grow, per millisecond, for telling a
// 32-bit wrap from a reset: a million paging events a second, a queue of
// 65536 requests.
constexpr std::uint64_t kPagingPerMs = 1000;
constexpr std::uint64_t kQueuePerMs = 65536;

std::uint64_t Plausible(std::uint64_t perMs, double elapsedMs) {
    return static_cast<std::uint64_t>(std::ceil(elapsedMs)) * perMs;
}

} // namespace

Query::Query(std::filesystem::path root, Clock clock)
    : m_root(std::move(root)), m_clock(std::move(clock)) {}

std::size_t Query::AddCounter(CounterKind kind) {
    std::lock_guard lock(m_mutex);
    m_counters.push_back({kind, std::nullopt, std::nullopt});
    return m_counters.size() - 1;
}

PDH_STATUS Query::Collect() {
    std::lock_guard lock(m_mutex);
    if (m_counters.empty())
        return PDH_NO_DATA;
    const std::chrono::nanoseconds now = m_clock();
    // Each source is read once per collection, and only when a counter needs it.
    auto needs = [&](CounterKind kind) {
        return std::any_of(m_counters.begin(), m_counters.end(),
                           [&](const Counter& c) { return c.kind == kind; });
    };
    Raw paging;
    Raw disks;
    if (needs(CounterKind::PagesPerSec))
        if (auto sample = ReadPaging(m_root))
            paging = *sample;
    if (needs(CounterKind::DiskQueueLength))
        if (auto sample = ReadDisks(m_root))
            disks = std::move(*sample);
    for (auto& counter : m_counters) {
        counter.previous = std::move(counter.current);
        counter.current = Sample{now, counter.kind == CounterKind::PagesPerSec ? paging : disks};
    }
    const bool anyRead = paging.index() != 0 || disks.index() != 0;
    return anyRead ? kSuccess : PDH_NO_DATA;
}

std::optional<double> Query::Rate(const Counter& counter) {
    if (!counter.previous || !counter.current)
        return std::nullopt;
    const Sample& a = *counter.previous;
    const Sample& b = *counter.current;
    if (b.time <= a.time || a.raw.index() == 0 || b.raw.index() == 0)
        return std::nullopt;
    const double elapsedMs = std::chrono::duration<double, std::milli>(b.time - a.time).count();
    if (const auto* before = std::get_if<PagingSample>(&a.raw)) {
        const auto& after = std::get<PagingSample>(b.raw);
        const std::uint64_t bound = Plausible(kPagingPerMs, elapsedMs);
        const std::uint64_t events = CounterGrowth(before->majorFaults, after.majorFaults, bound) +
                                     CounterGrowth(before->pagesOut, after.pagesOut, bound);
        return static_cast<double>(events) / (elapsedMs / 1000.0);
    }
    const auto& before = std::get<DiskSample>(a.raw);
    const auto& after = std::get<DiskSample>(b.raw);
    const std::uint64_t bound = Plausible(kQueuePerMs, elapsedMs);
    std::uint64_t weightedMs = 0;
    // Only disks present in both samples count.
    for (const auto& [name, value] : after)
        if (auto it = before.find(name); it != before.end())
            weightedMs += CounterGrowth(it->second, value, bound);
    return static_cast<double>(weightedMs) / elapsedMs;
}

PDH_STATUS Query::Format(std::size_t index, DWORD format, LPDWORD type,
                         PDH_FMT_COUNTERVALUE* value) {
    std::lock_guard lock(m_mutex);
    const Counter& counter = m_counters.at(index);
    if (type)
        *type = counter.kind == CounterKind::PagesPerSec ? PERF_COUNTER_COUNTER
                                                         : PERF_COUNTER_100NS_QUEUELEN_TYPE;
    const DWORD kind = format & (PDH_FMT_LONG | PDH_FMT_DOUBLE | PDH_FMT_LARGE);
    const DWORD known = PDH_FMT_LONG | PDH_FMT_DOUBLE | PDH_FMT_LARGE | PDH_FMT_NOSCALE |
                        PDH_FMT_1000 | PDH_FMT_NOCAP100;
    if (!value || (kind != PDH_FMT_LONG && kind != PDH_FMT_DOUBLE && kind != PDH_FMT_LARGE) ||
        (format & ~known) != 0)
        return PDH_INVALID_ARGUMENT;
    auto rate = Rate(counter);
    if (!rate) {
        value->CStatus = static_cast<DWORD>(PDH_CSTATUS_INVALID_DATA);
        value->largeValue = 0;
        return PDH_INVALID_DATA;
    }
    double result = *rate;
    if (format & PDH_FMT_1000)
        result *= 1000.0;
    value->CStatus = static_cast<DWORD>(PDH_CSTATUS_VALID_DATA);
    if (kind == PDH_FMT_DOUBLE) {
        value->doubleValue = result;
    } else if (kind == PDH_FMT_LARGE) {
        constexpr double kMax = static_cast<double>(std::numeric_limits<LONGLONG>::max());
        value->largeValue =
            result >= kMax ? std::numeric_limits<LONGLONG>::max() : static_cast<LONGLONG>(result);
    } else {
        constexpr double kMax = std::numeric_limits<LONG>::max();
        value->longValue =
            result >= kMax ? std::numeric_limits<LONG>::max() : static_cast<LONG>(result);
    }
    return kSuccess;
}

} // namespace pdh
