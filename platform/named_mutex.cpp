#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/paths.h"

namespace platform {

std::string NamedMutex::LockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime != nullptr && *runtime != '\0' ? runtime : TempPath();
    if (folder.back() != '/') folder += '/';
    return folder + name;
}

bool NamedMutex::TryAcquire(const std::string& name) {
    if (Held()) return true;
    const int fd = open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // Each open file description locks on its own, so a second holder in this same process
    // is refused too.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void NamedMutex::Release() {
    if (!Held()) return;
    flock(m_fd, LOCK_UN);
    close(m_fd);
    m_fd = -1;
}

}  // namespace platform
