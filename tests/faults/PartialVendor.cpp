// A vendor sensor library that lacks one of its four exports, built once per
// export left out. Every reading is 42; the calls made are recorded.

#include <cstdio>
#include <mutex>
#include <string>

#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::mutex g_mutex;
std::string g_calls;

void Record(const char* call) {
    std::lock_guard lock(g_mutex);
    if (!g_calls.empty())
        g_calls += ' ';
    g_calls += call;
}
} // namespace

#ifndef PARTIAL_WITHOUT_GETINFO2
PARTIAL_EXPORT int GetInfo2(int) {
    return 42;
}
#endif

#ifndef PARTIAL_WITHOUT_INIT
PARTIAL_EXPORT int Init(int mode, int (*)()) {
    Record(mode == 0 ? "Init0" : "Init1");
    return 0;
}
#endif

#ifndef PARTIAL_WITHOUT_INITCPUUSAGE
PARTIAL_EXPORT int InitCpuUsage() {
    Record("InitCpuUsage");
    return 0;
}
#endif

#ifndef PARTIAL_WITHOUT_FINIT
PARTIAL_EXPORT int Finit() {
    Record("Finit");
    return 0;
}
#endif

PARTIAL_EXPORT int PartialTakeCalls(char* buffer, int size) {
    std::lock_guard lock(g_mutex);
    const int written =
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", g_calls.c_str());
    g_calls.clear();
    return written;
}
