#pragma once

// Where the performance counters read from, for tests and the snapshot tool;
// the system's code never includes this. Both settings apply to queries
// opened afterwards; an open query keeps the ones it was opened with.

#include <chrono>
#include <functional>

// /proc/vmstat, /proc/diskstats and /sys/block are read under `path`; null or
// "" restores "/".
void PdhSetRootDirectory(const char* path);

// The monotonic time stamp of each collection; an empty function restores the
// steady clock.
void PdhSetClock(std::function<std::chrono::nanoseconds()> clock);
