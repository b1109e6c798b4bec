// Utils::Thread: one named worker thread per object, created suspended and started by its
// owner with Resume(); joined when the object goes away. The owner's thread constructs,
// resumes, joins and destroys; the body runs on the new thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace Utils {

class Thread {
public:
    using Body = std::function<uint32_t(void* param)>;
    static constexpr uint32_t kNoThread = 0xFFFFFFFFu;
    static constexpr uint32_t kStillActive = 259;

    // Creates the thread suspended and names it (`name`, or "t" and the thread id when empty).
    // When the system refuses a thread, Id() stays kNoThread and Resume() does nothing.
    Thread(void* param, std::wstring name, Body body);
    // Joins the thread. A thread never resumed is released without running its body.
    // Destroying the object from its own body does not wait for itself.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Resume();
    // Waits without limit for the body to return (not from the thread itself, where it
    // returns at once).
    void Join();

    uint32_t Id() const { return m_id; }
    bool HasThread() const { return m_handle != nullptr; }
    // kStillActive until the thread has ended, then 0 whatever the body returned.
    uint32_t ExitCode() const;
    // The name the system knows the thread by (at most 15 bytes).
    std::string SystemName() const;

private:
    struct Shared;
    static void CallBack(std::shared_ptr<Shared> shared);
    void Release();

    uint32_t m_id = kNoThread;
    std::unique_ptr<std::thread> m_handle;
    Body m_func;
    void* m_param;
    std::wstring m_name;
    std::shared_ptr<Shared> m_shared;  // gate and exit code, kept alive by the thread too
};

}  // namespace Utils
