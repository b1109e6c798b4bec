// A snapshot of the running processes: each one's id and executable file name (Linux: the name
// of its program file where readable, else of its first argument; Windows: the system's name of
// its program file); and, on Linux, whether a process group still has members. Safe on any
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ProcessEntry {
    uint32_t id;
    std::string exeName;  // UTF-8
};

// Empty when the process list cannot be read.
std::vector<ProcessEntry> SnapshotProcesses();

// Linux only: SpawnedProcess ends its group through it. Windows groups are job objects that
// SpawnedProcess holds and asks itself.
#ifndef _WIN32
// Whether a process of group `groupId` still runs; a process that has ended but is not yet
// collected by its parent (a zombie) does not count.
bool ProcessGroupHasLiveMembers(uint32_t groupId);
#endif

}  // namespace platform
