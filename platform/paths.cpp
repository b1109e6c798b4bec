#include "platform/paths.h"

#include <errno.h>
#include <sys/stat.h>

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

}  // namespace platform
