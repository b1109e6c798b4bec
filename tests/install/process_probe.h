// Another process, by its id: whether it has ended, and ending it. Stateless; any thread.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/types.h>
#endif

#include <cstdint>
#include <fstream>
#include <string>

namespace install_test {

// Ends the process at once, without asking.
inline void KillProcess(uint32_t id) {
#ifdef _WIN32
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
#else
    kill(static_cast<pid_t>(id), SIGKILL);
#endif
}

// Whether the process has ended (on Linux, collected or not).
inline bool Gone(uint32_t id) {
#ifdef _WIN32
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const size_t name = line.rfind(')');
    return name != std::string::npos && line.substr(name + 2, 1) == "Z";
#endif
}

}  // namespace install_test
