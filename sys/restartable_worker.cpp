#include "sys/restartable_worker.h"

#include "platform/process.h"

namespace Utils {

std::unique_ptr<Thread> MakeThread(const ThreadFactory& factory, void* param,
                                   const std::wstring& name, Thread::Body body) {
    std::unique_ptr<Thread> thread = factory
                                         ? factory(param, name, std::move(body))
                                         : std::make_unique<Thread>(param, name, std::move(body));
    if (thread && !thread->HasThread()) thread.reset();
    return thread;
}

RestartableWorker::RestartableWorker(ThreadFactory factory) : m_factory(std::move(factory)) {}

RestartableWorker::~RestartableWorker() {
    Shutdown();
}

RestartableWorker::Result RestartableWorker::Start(const std::wstring& name,
                                                   std::function<void()> body) {
    std::unique_lock<std::mutex> lock(m_mutex);
    // Joined outside the lock: a thread of the previous run may be calling Start or Launch.
    for (;;) {
        if (m_stopped) return Result::kStopped;
        ThreadList previous = TakeThreads();
        if (previous.empty()) break;
        lock.unlock();
        previous.clear();
        lock.lock();
    }
    return Spawn(name, std::move(body));
}

RestartableWorker::Result RestartableWorker::Launch(const std::wstring& name,
                                                    std::function<void()> body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped) return Result::kStopped;
    return Spawn(name, std::move(body));
}

void RestartableWorker::Join() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        ThreadList threads = TakeThreads();
        if (threads.empty()) return;
        lock.unlock();
        threads.clear();
        lock.lock();
    }
}

void RestartableWorker::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
    }
    m_wake.notify_all();
}

void RestartableWorker::Shutdown() {
    Stop();
    Join();
}

bool RestartableWorker::Pause(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, delay, [this] { return m_stopped || m_interrupted; });
}

void RestartableWorker::SetInterrupted(bool on) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_interrupted = on;
    }
    if (on) m_wake.notify_all();
}

RestartableWorker::ThreadList RestartableWorker::TakeThreads() {
    const uint32_t self = platform::CurrentThreadId();
    ThreadList taken;
    ThreadList candidates = std::move(m_run);
    m_run.clear();
    for (auto& thread : m_parked)
        candidates.push_back(std::move(thread));
    m_parked.clear();
    for (auto& thread : candidates) {
        // The calling thread returns soon after this call; it is joined later, never by itself.
        if (thread->Id() == self)
            m_parked.push_back(std::move(thread));
        else
            taken.push_back(std::move(thread));
    }
    return taken;
}

RestartableWorker::Result RestartableWorker::Spawn(const std::wstring& name,
                                                   std::function<void()> body) {
    std::unique_ptr<Thread> thread =
        MakeThread(m_factory, nullptr, name, [body = std::move(body)](void*) -> uint32_t {
            body();
            return 0;
        });
    if (!thread) return Result::kRefused;
    thread->Resume();
    m_run.push_back(std::move(thread));
    return Result::kStarted;
}

}  // namespace Utils
