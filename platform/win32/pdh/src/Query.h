#pragma once

#include "CounterPath.h"
#include "Sources.h"

#include <win32/Pdh.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

namespace pdh {

using Clock = std::function<std::chrono::nanoseconds()>;

// One real-time query. Its own lock makes each call whole, so two threads may
// share it; distinct queries share nothing.
class Query {
public:
    Query(std::filesystem::path root, Clock clock);

    // The counter's index in this query.
    std::size_t AddCounter(CounterKind kind);
    PDH_STATUS Collect();
    PDH_STATUS Format(std::size_t counter, DWORD format, LPDWORD type, PDH_FMT_COUNTERVALUE* value);

private:
    using Raw = std::variant<std::monostate, PagingSample, DiskSample>;
    struct Sample {
        std::chrono::nanoseconds time{};
        Raw raw; // monostate: the source could not be read
    };
    struct Counter {
        CounterKind kind;
        std::optional<Sample> previous;
        std::optional<Sample> current;
    };

    static std::optional<double> Rate(const Counter& counter);

    std::mutex m_mutex;
    const std::filesystem::path m_root;
    const Clock m_clock;
    std::vector<Counter> m_counters;
};

} // namespace pdh
