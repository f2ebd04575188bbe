#include "Threads.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <unordered_map>
#include <win32/Screen.h>

namespace win32::detail {

ThreadQueue::ThreadQueue(DWORD threadId)
    : m_threadId(threadId), m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ThreadQueue::~ThreadQueue() {
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void ThreadQueue::Wake() {
    const std::uint64_t one = 1;
    // EAGAIN means the counter is already set: the owner wakes anyway.
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void ThreadQueue::WaitForWake(std::optional<std::chrono::steady_clock::time_point> deadline) {
    ScreenBackend* screen = InstalledScreen();
    const bool ownsScreen = screen && screen->EventThread() == m_threadId && screen->EventFd() >= 0;
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {ownsScreen ? screen->EventFd() : -1, POLLIN, 0}};
    int timeout = -1;
    if (deadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            *deadline - std::chrono::steady_clock::now());
        timeout =
            left.count() < 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), 1 << 30));
    }
    int n;
    do {
        n = ::poll(fds, ownsScreen ? 2 : 1, timeout);
    } while (n < 0 && errno == EINTR);
    if (n > 0 && (fds[0].revents & POLLIN)) {
        std::uint64_t value = 0;
        [[maybe_unused]] ssize_t r = ::read(m_wakeFd, &value, sizeof value);
    }
    if (ownsScreen && n > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
        screen->ProcessEvents();
}

namespace {

struct QueueRegistry {
    std::mutex mutex;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
    DWORD nextId = 1;
};

// Immortal: threads that outlive main (a collector left running) still use it.
QueueRegistry& Registry() {
    static QueueRegistry* registry = new QueueRegistry;
    return *registry;
}

// Ends the thread's queue when the thread ends: senders still waiting get 0.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    DWORD id = 0;
    ~QueueHolder() {
        if (!queue)
            return;
        std::deque<std::shared_ptr<SentMessage>> pending;
        {
            std::lock_guard lock(queue->mutex);
            queue->dead = true;
            pending.swap(queue->incoming);
        }
        for (auto& sent : pending) {
            std::lock_guard lock(sent->sender->mutex);
            sent->result = 0;
            sent->done = true;
            sent->sender->Wake();
        }
        std::lock_guard lock(Registry().mutex);
        Registry().queues.erase(id);
    }
};

thread_local QueueHolder t_holder;
// Trivially destructible, so that it can still be read while the thread's
// other locals are being destroyed.
thread_local DWORD t_id = 0;
thread_local bool t_stopThrown = false;

} // namespace

DWORD NewThreadId() {
    std::lock_guard lock(Registry().mutex);
    return Registry().nextId++;
}

void AdoptQueue(std::shared_ptr<ThreadQueue> queue) {
    t_holder.id = queue->ThreadId();
    t_id = queue->ThreadId();
    {
        std::lock_guard lock(Registry().mutex);
        Registry().queues[queue->ThreadId()] = queue;
    }
    t_holder.queue = std::move(queue);
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
    if (!t_holder.queue)
        AdoptQueue(std::make_shared<ThreadQueue>(NewThreadId()));
    return t_holder.queue;
}

DWORD CurrentThreadId() {
    return CurrentQueue()->ThreadId();
}

DWORD KnownThreadId() {
    return t_id;
}

std::shared_ptr<ThreadQueue> QueueOf(DWORD threadId) {
    std::lock_guard lock(Registry().mutex);
    auto it = Registry().queues.find(threadId);
    return it == Registry().queues.end() ? nullptr : it->second;
}

bool StopPoint() {
    auto queue = CurrentQueue();
    if (!queue->stopRequested.load())
        return false;
    if (!t_stopThrown) {
        t_stopThrown = true;
        throw ThreadStopped{};
    }
    return true;
}

} // namespace win32::detail
