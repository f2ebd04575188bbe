#pragma once

#include "Query.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace pdh {

// Every open query and counter, by handle, and the settings new queries
// take. Handles are numbers never handed out twice, so a closed or made-up
// handle is found to be unknown instead of being followed.
class HandleTable {
public:
    static HandleTable& Get();

    PDH_HQUERY Open();
    bool Close(PDH_HQUERY query);
    std::shared_ptr<Query> Find(PDH_HQUERY query);

    PDH_HCOUNTER AddCounter(PDH_HQUERY query, const std::shared_ptr<Query>& owner,
                            std::size_t index);
    struct CounterRef {
        std::shared_ptr<Query> query;
        std::size_t index = 0;
    };
    std::optional<CounterRef> Find(PDH_HCOUNTER counter);

    void SetRoot(std::filesystem::path root);
    void SetClock(Clock clock);

private:
    struct CounterEntry {
        std::uintptr_t query;
        std::shared_ptr<Query> owner;
        std::size_t index;
    };

    std::uintptr_t NextHandle() { return ++m_lastHandle; }

    std::mutex m_mutex;
    std::uintptr_t m_lastHandle = 0;
    std::unordered_map<std::uintptr_t, std::shared_ptr<Query>> m_queries;
    std::unordered_map<std::uintptr_t, CounterEntry> m_counters;
    std::filesystem::path m_root = "/";
    Clock m_clock;
};

} // namespace pdh
