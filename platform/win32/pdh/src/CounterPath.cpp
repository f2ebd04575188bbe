#include "CounterPath.h"

#include "Status.h"

#include <optional>

namespace pdh {

namespace {

struct Parts {
    std::wstring_view object;
    std::optional<std::wstring_view> instance;
    std::wstring_view counter;
};

std::optional<Parts> Split(std::wstring_view path) {
    if (path.size() < 2 || path[0] != L'\\')
        return std::nullopt;
    path.remove_prefix(1);
    const auto slash = path.find(L'\\');
    if (slash == std::wstring_view::npos)
        return std::nullopt;
    Parts parts;
    std::wstring_view object = path.substr(0, slash);
    parts.counter = path.substr(slash + 1);
    if (parts.counter.empty() || parts.counter.find(L'\\') != std::wstring_view::npos)
        return std::nullopt;
    if (const auto open = object.find(L'('); open != std::wstring_view::npos) {
        if (object.back() != L')')
            return std::nullopt;
        parts.instance = object.substr(open + 1, object.size() - open - 2);
        object = object.substr(0, open);
    } else if (object.find(L')') != std::wstring_view::npos) {
        return std::nullopt;
    }
    if (object.empty())
        return std::nullopt;
    parts.object = object;
    return parts;
}

} // namespace

ParsedPath ParseCounterPath(std::wstring_view path) {
    if (path.empty())
        return {PDH_CSTATUS_NO_COUNTERNAME};
    if (path.substr(0, 2) == L"\\\\")
        return {PDH_CSTATUS_NO_MACHINE};
    const auto parts = Split(path);
    if (!parts)
        return {PDH_CSTATUS_BAD_COUNTERNAME};
    if (parts->object == L"Memory") {
        if (parts->counter != L"Pages/sec")
            return {PDH_CSTATUS_NO_COUNTER};
        if (parts->instance)
            return {PDH_CSTATUS_NO_INSTANCE};
        return {kSuccess, CounterKind::PagesPerSec};
    }
    if (parts->object == L"PhysicalDisk") {
        if (parts->counter != L"Avg. Disk Queue Length")
            return {PDH_CSTATUS_NO_COUNTER};
        if (parts->instance != L"_Total")
            return {PDH_CSTATUS_NO_INSTANCE};
        return {kSuccess, CounterKind::DiskQueueLength};
    }
    return {PDH_CSTATUS_NO_OBJECT};
}

} // namespace pdh
