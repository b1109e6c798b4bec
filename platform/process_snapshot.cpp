#include "platform/process_snapshot.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace platform {
namespace {

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExeName(const std::string& pid) {
    char target[PATH_MAX];
    const std::string proc = "/proc/" + pid;
    const ssize_t n = readlink((proc + "/exe").c_str(), target, sizeof target - 1);
    if (n > 0) {
        std::string path(target, static_cast<size_t>(n));
        // A program file replaced while it runs reads as "<path> (deleted)".
        constexpr std::string_view kDeleted = " (deleted)";
        if (path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
        return BaseName(path);
    }
    // Someone else's process: its first argument still names the program.
    std::ifstream cmdline(proc + "/cmdline", std::ios::binary);
    std::string first;
    std::getline(cmdline, first, '\0');
    return BaseName(first);
}

}  // namespace

std::vector<ProcessEntry> SnapshotProcesses() {
    std::vector<ProcessEntry> entries;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return entries;
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0') continue;  // not a process folder
        entries.push_back({static_cast<uint32_t>(id), ExeName(entry->d_name)});
    }
    closedir(proc);
    return entries;
}

}  // namespace platform
