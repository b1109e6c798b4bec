#include "sys/thread.h"

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <system_error>

#include "platform/process.h"
#include "sys/log.h"
#include "sys/text.h"

namespace Utils {

struct Thread::Shared {
    enum class Gate { kSuspended, kResumed, kCancelled };
    std::mutex mutex;
    std::condition_variable cv;
    Gate gate = Gate::kSuspended;
    std::promise<uint32_t> id;
    std::atomic<uint32_t> exitCode{kStillActive};
    Body func;
    void* param = nullptr;
};

Thread::Thread(void* param, std::wstring name, Body body)
    : m_func(std::move(body)),
      m_param(param),
      m_name(std::move(name)),
      m_shared(std::make_shared<Shared>()) {
    m_shared->func = m_func;
    m_shared->param = m_param;
    std::future<uint32_t> id = m_shared->id.get_future();
    try {
        m_handle = std::make_unique<std::thread>(&Thread::CallBack, m_shared);
    } catch (const std::system_error&) {
        return;
    }
    m_id = id.get();
    const std::string systemName =
        m_name.empty() ? std::string("t").append(std::to_string(m_id)) : ToUtf8(m_name);
    platform::SetThreadName(*m_handle, systemName);
}

Thread::~Thread() {
    Release();
}

void Thread::CallBack(std::shared_ptr<Shared> shared) {
    shared->id.set_value(platform::CurrentThreadId());
    {
        std::unique_lock<std::mutex> lock(shared->mutex);
        shared->cv.wait(lock, [&] { return shared->gate != Shared::Gate::kSuspended; });
        if (shared->gate == Shared::Gate::kCancelled) {
            shared->exitCode = 0;
            return;
        }
    }
    LOG_TRACE(L"Utils::Thread::CallBack", L"THREAD BEGIN");
    shared->func(shared->param);  // its return value is not used
    LOG_TRACE(L"Utils::Thread::CallBack", L"THREAD END");
    shared->exitCode = 0;
}

void Thread::Resume() {
    if (!m_handle) return;
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->gate == Shared::Gate::kSuspended) m_shared->gate = Shared::Gate::kResumed;
    m_shared->cv.notify_all();
}

void Thread::Join() {
    if (!m_handle) return;
    if (m_handle->get_id() == std::this_thread::get_id()) return;  // would wait for itself
    m_handle->join();
    m_handle.reset();
    m_id = kNoThread;
}

void Thread::Release() {
    if (!m_handle) return;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->gate == Shared::Gate::kSuspended) m_shared->gate = Shared::Gate::kCancelled;
        m_shared->cv.notify_all();
    }
    if (m_handle->get_id() == std::this_thread::get_id()) {
        m_handle->detach();  // the body owns what it still needs through m_shared
    } else {
        m_handle->join();
    }
    m_handle.reset();
    m_id = kNoThread;
}

uint32_t Thread::ExitCode() const {
    return m_shared->exitCode.load();
}

std::string Thread::SystemName() const {
    return m_handle ? platform::ThreadName(*m_handle) : std::string();
}

}  // namespace Utils
