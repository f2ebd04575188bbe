// A stand-in for the vendor sensor library that records the calls made to it
// and answers readings the test sets. Built three times: complete, without
// "GetInfo2" and without "Init".

#include <cstdio>
#include <mutex>
#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::mutex g_mutex;
int g_readings[8] = {};
std::string g_calls;

void Record(const std::string& call) {
    std::lock_guard lock(g_mutex);
    if (!g_calls.empty())
        g_calls += ' ';
    g_calls += call;
}
} // namespace

#ifndef FAKE_WITHOUT_GETINFO2
FAKE_EXPORT int GetInfo2(int index) {
    Record(std::to_string(index));
    std::lock_guard lock(g_mutex);
    return index >= 0 && index < 8 ? g_readings[index] : -1;
}
#endif

#ifndef FAKE_WITHOUT_INIT
FAKE_EXPORT int Init(int mode, int (*callback)()) {
    Record("Init" + std::to_string(mode) + (callback && callback() == 0 ? "(tp)" : "(?)"));
    return 0;
}
#endif

FAKE_EXPORT int InitCpuUsage() {
    Record("InitCpuUsage");
    return 0;
}

FAKE_EXPORT int Finit() {
    Record("Finit");
    return 0;
}

// For the test: readings 0 to 7, and the calls so far (emptied when read).
FAKE_EXPORT void FakeSetReadings(const int* readings) {
    std::lock_guard lock(g_mutex);
    for (int i = 0; i < 8; ++i)
        g_readings[i] = readings[i];
}

FAKE_EXPORT int FakeTakeCalls(char* buffer, int size) {
    std::lock_guard lock(g_mutex);
    const int written =
        std::snprintf(buffer, static_cast<std::size_t>(size), "%s", g_calls.c_str());
    g_calls.clear();
    return written;
}
