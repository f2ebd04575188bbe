#pragma once

#include <win32/Pdh.h>

#include <string_view>

namespace pdh {

enum class CounterKind { PagesPerSec, DiskQueueLength };

struct ParsedPath {
    PDH_STATUS status = PDH_CSTATUS_BAD_COUNTERNAME;
    CounterKind kind = CounterKind::PagesPerSec; // meaningful when status is 0
};

// "\Object(Instance)\Counter", optionally after "\\Machine"; names compare
// exactly as the system writes them.
ParsedPath ParseCounterPath(std::wstring_view path);

} // namespace pdh
