#include "HandleTable.h"
#include "Status.h"

#include <win32/Pdh.h>
#include <win32/PdhSources.h>

using pdh::HandleTable;

PDH_STATUS WINAPI PdhOpenQueryW(LPCWSTR dataSource, DWORD_PTR, PDH_HQUERY* query) {
    if (!query)
        return PDH_INVALID_ARGUMENT;
    *query = nullptr;
    if (dataSource)
        return PDH_INVALID_DATASOURCE;
    *query = HandleTable::Get().Open();
    return pdh::kSuccess;
}

PDH_STATUS WINAPI PdhAddCounterW(PDH_HQUERY query, LPCWSTR path, DWORD_PTR, PDH_HCOUNTER* counter) {
    auto owner = HandleTable::Get().Find(query);
    if (!owner)
        return PDH_INVALID_HANDLE;
    if (!path || !counter)
        return PDH_INVALID_ARGUMENT;
    *counter = nullptr;
    const pdh::ParsedPath parsed = pdh::ParseCounterPath(path);
    if (parsed.status != pdh::kSuccess)
        return parsed.status;
    const std::size_t index = owner->AddCounter(parsed.kind);
    *counter = HandleTable::Get().AddCounter(query, owner, index);
    return *counter ? pdh::kSuccess : PDH_INVALID_HANDLE;
}

PDH_STATUS WINAPI PdhCollectQueryData(PDH_HQUERY query) {
    auto owner = HandleTable::Get().Find(query);
    return owner ? owner->Collect() : PDH_INVALID_HANDLE;
}

PDH_STATUS WINAPI PdhGetFormattedCounterValue(PDH_HCOUNTER counter, DWORD format, LPDWORD type,
                                              PPDH_FMT_COUNTERVALUE value) {
    auto ref = HandleTable::Get().Find(counter);
    if (!ref)
        return PDH_INVALID_HANDLE;
    return ref->query->Format(ref->index, format, type, value);
}

PDH_STATUS WINAPI PdhCloseQuery(PDH_HQUERY query) {
    return HandleTable::Get().Close(query) ? pdh::kSuccess : PDH_INVALID_HANDLE;
}

void PdhSetRootDirectory(const char* path) {
    HandleTable::Get().SetRoot((path && *path) ? std::filesystem::path(path)
                                               : std::filesystem::path("/"));
}

void PdhSetClock(std::function<std::chrono::nanoseconds()> clock) {
    HandleTable::Get().SetClock(std::move(clock));
}
