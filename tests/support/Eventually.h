#pragma once

#include <chrono>
#include <thread>

namespace testing_support {

// Polls `done` until it holds or `ms` pass; the test's watchdog bounds
// everything else.
template <class F>
bool Eventually(F done, int ms = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace testing_support
