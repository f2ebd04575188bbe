#include "Runtime.h"

#include <atomic>
#include <gdiplus/Diagnostics.h>
#include <gdiplus/Startup.h>
#include <mutex>
#include <set>

namespace Gdiplus::detail {
namespace {

class Runtime {
public:
    ULONG_PTR Start() {
        std::lock_guard lock(m_mutex);
        const ULONG_PTR token = ++m_lastToken;
        m_tokens.insert(token);
        m_running = true;
        return token;
    }
    void Stop(ULONG_PTR token) {
        std::lock_guard lock(m_mutex);
        m_tokens.erase(token);
        m_running = !m_tokens.empty();
    }
    bool Running() const { return m_running; }

    std::atomic<std::size_t> live{0};

private:
    std::mutex m_mutex;
    std::set<ULONG_PTR> m_tokens;
    ULONG_PTR m_lastToken = 0;
    std::atomic<bool> m_running{false};
};

// Never destroyed: objects may outlive static destruction order.
Runtime& TheRuntime() {
    static Runtime* runtime = new Runtime;
    return *runtime;
}

Status HookNothing(ULONG_PTR* token) {
    if (token)
        *token = 0;
    return Ok;
}
void UnhookNothing(ULONG_PTR) {}

} // namespace

bool Running() {
    return TheRuntime().Running();
}

Status RunningStatus() {
    return Running() ? Ok : GdiplusNotInitialized;
}

void ObjectCreated() {
    ++TheRuntime().live;
}

void ObjectDestroyed() {
    --TheRuntime().live;
}

} // namespace Gdiplus::detail

namespace Gdiplus {

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output) {
    if (!token || !input)
        return InvalidParameter;
    if (input->GdiplusVersion != 1)
        return UnsupportedGdiplusVersion;
    if (input->SuppressBackgroundThread && !output)
        return InvalidParameter;
    if (output) {
        *output = GdiplusStartupOutput{};
        if (input->SuppressBackgroundThread) {
            output->NotificationHook = detail::HookNothing;
            output->NotificationUnhook = detail::UnhookNothing;
        }
    }
    *token = detail::TheRuntime().Start();
    return Ok;
}

void GdiplusShutdown(ULONG_PTR token) {
    detail::TheRuntime().Stop(token);
}

} // namespace Gdiplus

namespace gdiplus {
std::size_t LiveObjectCount() {
    return Gdiplus::detail::TheRuntime().live;
}
} // namespace gdiplus
