#include "analytics/send_scheduler.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "analytics/sdk/last_upload.h"
#include "analytics/sdk/sdk.h"
#include "platform/debug_output.h"

namespace orvane::analytics {
namespace {

constexpr int kFlushAttempts = 3;
constexpr std::chrono::seconds kCrashWait{15};

// Serialises the scheduling work of every thread.
std::mutex g_sendMutex;
// The send thread this thread is, if any: a crash report on it must not wait for itself.
thread_local const void* t_sendThreadOf = nullptr;
// Set while this thread holds the send mutex: a crash report there must not take it again.
thread_local bool t_holdsSendMutex = false;

class SendLock {
public:
    SendLock() : m_lock(g_sendMutex) { t_holdsSendMutex = true; }
    ~SendLock() { t_holdsSendMutex = false; }
    SendLock(const SendLock&) = delete;
    SendLock& operator=(const SendLock&) = delete;

private:
    std::lock_guard<std::mutex> m_lock;
};

bool FlushQueue() {
    const auto consumer = event_collect::Sdk::Consumer();
    return consumer && consumer->FlushAll();
}

}  // namespace

bool IsFlushNow(OvEventType type) {
    switch (type) {
        case OvEventType::Activity:
        case OvEventType::Launch:
        case OvEventType::Login:
        case OvEventType::Payment:
        case OvEventType::Uninstall:
        case OvEventType::Crashed:
        case OvEventType::Update:
            return true;
        default:
            return false;
    }
}

SendScheduler::SendScheduler() : m_state(std::make_shared<State>()) {}

SendScheduler::~SendScheduler() {
    WaitForSendThreads();
}

void SendScheduler::Run(State& state, bool flushNow) {
    SendLock lock;
    if (!flushNow) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++state.pending;
        return;
    }
    for (int attempt = 0; attempt < kFlushAttempts && state.pending > 0; ++attempt) {
        if (FlushQueue()) {
            state.pending = 0;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void SendScheduler::SendPending(bool flushNow) {
    Run(*m_state, flushNow);
}

void SendScheduler::RequestSend(bool flushNow) {
    if (event_collect::LastUploadSucceeded()) {
        SendPending(flushNow);
        return;
    }
    platform::WriteDebugOutput("[Analytics] Sending messages asynchronously\n");
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        ++m_state->running;
    }
    // The thread shares the state, not the scheduler: the count it updates outlives both.
    try {
        std::thread([state = m_state, flushNow] {
            t_sendThreadOf = state.get();
            Run(*state, flushNow);
            std::lock_guard<std::mutex> lock(state->mutex);
            --state->running;
            state->idle.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the work is done here rather than lost.
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            --m_state->running;
        }
        SendPending(flushNow);
    }
}

void SendScheduler::FlushAtShutdown() {
    for (int attempt = 0; attempt < kFlushAttempts && m_state->pending > 0; ++attempt) {
        if (FlushQueue()) m_state->pending = 0;
    }
}

void SendScheduler::SendPendingBeforeExit() {
    {
        // Bounded: a send thread may be stuck on something the crashed thread holds. Three
        // failed uploads take about 9 s.
        const int self = t_sendThreadOf == m_state.get() ? 1 : 0;
        std::unique_lock<std::mutex> lock(m_state->mutex);
        m_state->idle.wait_for(lock, kCrashWait, [&] { return m_state->running <= self; });
    }
    if (t_holdsSendMutex) return;
    try {
        std::thread([state = m_state] { Run(*state, true); }).join();
    } catch (const std::system_error&) {
        SendPending(true);
    }
}

void SendScheduler::WaitForSendThreads() {
    const int self = t_sendThreadOf == m_state.get() ? 1 : 0;
    std::unique_lock<std::mutex> lock(m_state->mutex);
    m_state->idle.wait(lock, [&] { return m_state->running <= self; });
}

}  // namespace orvane::analytics
