#include "platform/paths.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/environment.h"

namespace platform {

std::string TempPath() {
    std::string path = GetEnv("TMPDIR").value_or("");
    if (path.empty()) path = "/tmp/";
    if (path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int CreateFolder(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0 ? 0 : errno;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace platform
