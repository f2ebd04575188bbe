// A vendor sensor library whose readings take a while, so that the dialog can
// be closed while the collector is inside it. It records its calls and, at
// "Finit", whether a reading was still being taken.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#define SLOW_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::mutex g_mutex;
std::string g_calls;
std::atomic<int> g_inside{0};

void Record(const std::string& call) {
    std::lock_guard lock(g_mutex);
    if (!g_calls.empty())
        g_calls += ' ';
    g_calls += call;
}
} // namespace

SLOW_EXPORT int GetInfo2(int index) {
    ++g_inside;
    // Busy, not asleep: a library computing its reading, with no stop point.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    while (std::chrono::steady_clock::now() < end) {
    }
    Record(std::to_string(index));
    --g_inside;
    return index;
}

SLOW_EXPORT int Init(int mode, int (*callback)()) {
    if (callback)
        callback();
    Record("Init" + std::to_string(mode));
    return 0;
}

SLOW_EXPORT int InitCpuUsage() {
    return 0;
}

SLOW_EXPORT int Finit() {
    Record(g_inside.load() ? "Finit(inside)" : "Finit");
    return 0;
}

SLOW_EXPORT int SlowInside() {
    return g_inside.load();
}

SLOW_EXPORT int SlowTakeCalls(char* buffer, int size) {
    std::lock_guard lock(g_mutex);
    const int written =
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", g_calls.c_str());
    g_calls.clear();
    return written;
}
