#include "platform/process.h"

#include <limits.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace platform {

uint32_t ProcessId() {
    return static_cast<uint32_t>(getpid());
}

uint32_t CurrentThreadId() {
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

void SetThreadName(std::thread& thread, const std::string& name) {
    // The kernel keeps 15 bytes. A character the cut would split (the next byte continues it)
    // goes whole, so the name stays valid UTF-8.
    size_t size = std::min<size_t>(name.size(), 15);
    while (size > 0 && size < name.size() &&
           (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80)
        --size;
    const std::string shortName = name.substr(0, size);
    pthread_setname_np(thread.native_handle(), shortName.c_str());
}

std::string ThreadName(std::thread& thread) {
    char name[16] = {};
    pthread_getname_np(thread.native_handle(), name, sizeof name);
    return name;
}

std::string ExecutablePath() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

}  // namespace platform
