#include "HandleTable.h"

#include <utility>

namespace pdh {

namespace {

std::chrono::nanoseconds SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

template <typename Handle>
std::uintptr_t Key(Handle handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

} // namespace

HandleTable& HandleTable::Get() {
    // Never destroyed: a collector thread may still be inside a call at exit.
    static HandleTable* table = new HandleTable;
    return *table;
}

PDH_HQUERY HandleTable::Open() {
    std::lock_guard lock(m_mutex);
    const std::uintptr_t handle = NextHandle();
    m_queries.emplace(handle, std::make_shared<Query>(m_root, m_clock ? m_clock : SteadyNow));
    return reinterpret_cast<PDH_HQUERY>(handle);
}

bool HandleTable::Close(PDH_HQUERY query) {
    std::lock_guard lock(m_mutex);
    if (m_queries.erase(Key(query)) == 0)
        return false;
    std::erase_if(m_counters, [&](const auto& entry) { return entry.second.query == Key(query); });
    return true;
}

std::shared_ptr<Query> HandleTable::Find(PDH_HQUERY query) {
    std::lock_guard lock(m_mutex);
    auto it = m_queries.find(Key(query));
    return it == m_queries.end() ? nullptr : it->second;
}

PDH_HCOUNTER HandleTable::AddCounter(PDH_HQUERY query, const std::shared_ptr<Query>& owner,
                                     std::size_t index) {
    std::lock_guard lock(m_mutex);
    // The query may have been closed by another thread meanwhile.
    if (m_queries.find(Key(query)) == m_queries.end())
        return nullptr;
    const std::uintptr_t handle = NextHandle();
    m_counters.emplace(handle, CounterEntry{Key(query), owner, index});
    return reinterpret_cast<PDH_HCOUNTER>(handle);
}

std::optional<HandleTable::CounterRef> HandleTable::Find(PDH_HCOUNTER counter) {
    std::lock_guard lock(m_mutex);
    auto it = m_counters.find(Key(counter));
    if (it == m_counters.end())
        return std::nullopt;
    return CounterRef{it->second.owner, it->second.index};
}

void HandleTable::SetRoot(std::filesystem::path root) {
    std::lock_guard lock(m_mutex);
    m_root = std::move(root);
}

void HandleTable::SetClock(Clock clock) {
    std::lock_guard lock(m_mutex);
    m_clock = std::move(clock);
}

} // namespace pdh
