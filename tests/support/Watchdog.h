#pragma once

// Every test that waits on another thread runs under a watchdog: a lost
// message fails the test run instead of hanging it.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace testing_support {

class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit = std::chrono::seconds(30)) {
        m_thread = std::thread([this, limit] {
            std::unique_lock lock(m_mutex);
            if (!m_cv.wait_for(lock, limit, [this] { return m_done; })) {
                std::fprintf(stderr, "watchdog: the test did not finish in %lld s\n",
                             static_cast<long long>(limit.count()));
                std::abort();
            }
        });
    }
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace testing_support
