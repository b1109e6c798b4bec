#include "platform/disk_space.h"

#include <errno.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace platform {
namespace {

// The folder that holds `path`: "/a/b/" and "/a/b" give "/a", "/a" gives "/", "a" gives ".".
std::string Parent(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    path.resize(slash);
    return path;
}

}  // namespace

int QueryDiskSpace(const std::string& folder, DiskSpace& space) {
    if (folder.empty()) return ENOENT;
    std::string path = folder;
    struct stat info {};
    // Walk up only past entries that are missing; any other error is the answer.
    while (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) return errno;
        std::string parent = Parent(path);
        if (parent == path) return ENOENT;
        path = std::move(parent);
    }
    // A file where a folder should be makes the folder impossible, like the system refusing
    // a volume query on a path through a file.
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    struct statvfs volume {};
    if (statvfs(path.c_str(), &volume) != 0) return errno;
    const uint64_t unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
    space.freeBytesAvailable = static_cast<uint64_t>(volume.f_bavail) * unit;
    space.totalBytes = static_cast<uint64_t>(volume.f_blocks) * unit;
    space.totalFreeBytes = static_cast<uint64_t>(volume.f_bfree) * unit;
    return 0;
}

}  // namespace platform
