#include "platform/file_ops.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool RenameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

int64_t FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

bool RemoveFile(const std::string& path) {
    return std::remove(path.c_str()) == 0;
}

bool SyncFile(int fd) {
    return fsync(fd) == 0;
}

int CreatePrivateFolder(const std::string& path) {
    return mkdir(path.c_str(), 0700) == 0 ? 0 : errno;
}

bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string CreateUniqueFolder(const std::string& prefix) {
    std::string path = prefix + "XXXXXX";
    return mkdtemp(path.data()) != nullptr ? path : std::string();
}

}  // namespace platform
