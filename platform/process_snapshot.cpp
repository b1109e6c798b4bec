#include "platform/process_snapshot.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

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

// Calls `visit` with the name of every process folder in /proc; false when /proc cannot be
// read.
template <typename Visit>
bool ForEachProcess(Visit&& visit) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return false;
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0') continue;  // not a process folder
        visit(static_cast<uint32_t>(id), entry->d_name);
    }
    closedir(proc);
    return true;
}

}  // namespace

std::vector<ProcessEntry> SnapshotProcesses() {
    std::vector<ProcessEntry> entries;
    ForEachProcess([&](uint32_t id, const char* name) { entries.push_back({id, ExeName(name)}); });
    return entries;
}

bool ProcessGroupHasLiveMembers(uint32_t groupId) {
    bool found = false;
    ForEachProcess([&](uint32_t, const char* name) {
        if (found) return;
        // "<pid> (<name>) <state> <ppid> <pgrp> ...": the name may hold blanks and parentheses,
        // so the fields are counted from the last closing parenthesis.
        std::ifstream stat(std::string("/proc/") + name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) return;  // ended meanwhile
        const size_t close = line.rfind(')');
        if (close == std::string::npos) return;
        std::istringstream fields(line.substr(close + 1));
        char state = 0;
        long parent = 0;
        long group = 0;
        if (!(fields >> state >> parent >> group)) return;
        found = group == static_cast<long>(groupId) && state != 'Z' && state != 'X';
    });
    return found;
}

}  // namespace platform
