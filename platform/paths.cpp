#include "platform/paths.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/environment.h"

namespace platform {

std::string TempPath() {
    std::string path = GetEnv("TMPDIR").value_or("");
    if (path.empty()) path = "/tmp/";
    if (path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

std::filesystem::path FsPath(std::string_view utf8Path) {
    return std::filesystem::path(utf8Path);
}

std::string PathText(const std::filesystem::path& path) {
    return path.string();
}

int OpenFile(const std::string& path, int flags, int mode) {
    return open(path.c_str(), flags | O_CLOEXEC, mode);
}

std::FILE* OpenStream(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), (std::string(mode) + "e").c_str());
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
