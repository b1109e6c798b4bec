// A named mutex in the user's session: an exclusive lock on a file named after the mutex in
// $XDG_RUNTIME_DIR (else the temporary folder). The lock ends with the owning process, so a
// crashed installer never blocks the next one. One owner thread.
#pragma once

#include <string>

namespace platform {

class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex() { Release(); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Takes the mutex when no other holder exists; false when another process (or another
    // NamedMutex of this one) holds it, or the lock file cannot be opened.
    bool TryAcquire(const std::string& name);
    void Release();
    bool Held() const { return m_fd >= 0; }

    // The lock file used for `name`.
    static std::string LockPath(const std::string& name);

private:
    int m_fd = -1;
};

}  // namespace platform
