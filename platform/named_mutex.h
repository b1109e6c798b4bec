// A named mutex in the user's session. Linux: an exclusive lock on a file named after the mutex
// in $XDG_RUNTIME_DIR (else the temporary folder). Windows: the system's mutex object of that
// name in the session's namespace. The lock ends with the owning process, so a crashed
// installer never blocks the next one. One owner thread.
#pragma once

#include <string>

namespace platform {

class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex() { Release(); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Takes the mutex (a UTF-8 name) when no other holder exists; false when another process
    // (or another NamedMutex of this one) holds it, or the lock file (Windows: the mutex)
    // cannot be made. On Windows the name may not hold a backslash other than after a
    // "Global" or "Local" namespace.
    bool TryAcquire(const std::string& name);
    void Release();
#ifdef _WIN32
    bool Held() const { return m_handle != nullptr; }
#else
    bool Held() const { return m_fd >= 0; }

    // The lock file used for `name` (Linux only: Windows names the mutex itself).
    static std::string LockPath(const std::string& name);
#endif

private:
#ifdef _WIN32
    void* m_handle = nullptr;  // HANDLE of the mutex
#else
    int m_fd = -1;
#endif
};

}  // namespace platform
