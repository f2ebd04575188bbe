#include "VendorLibrary.h"

#include <vendorlib/VendorLib.h>

#include <mutex>

namespace {

// The one instance, reachable only with its lock held.
class Locked {
public:
    template <typename F>
    int With(F f) {
        std::lock_guard lock(m_mutex);
        return f(m_library);
    }

private:
    std::mutex m_mutex;
    vendorlib::VendorLibrary m_library;
};

Locked& Library() {
    // Never destroyed: a caller's thread may still be inside a call at exit.
    static Locked* instance = new Locked;
    return *instance;
}

} // namespace

extern "C" {

int GetInfo2(int index) {
    return Library().With([&](auto& library) { return library.Reading(index); });
}

int Init(int mode, TarvikVendorCallback callback) {
    const int result = Library().With([&](auto& library) { return library.Init(mode); });
    // Outside the lock, so that a callback may call back into the library.
    if (result == 0 && mode == kTarvikInitFirstSamples && callback)
        callback();
    return result;
}

int InitCpuUsage(void) {
    return Library().With([](auto& library) { return library.InitCpuUsage(); });
}

int Finit(void) {
    return Library().With([](auto& library) { return library.Finit(); });
}

int SetRootDirectory(const char* path) {
    return Library().With([&](auto& library) { return library.SetRootDirectory(path); });
}

} // extern "C"
