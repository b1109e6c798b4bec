// The running process and its threads: ids, names and the executable's own path.
// Safe on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

namespace platform {

uint32_t ProcessId();
uint32_t CurrentThreadId();

// Names a thread for debuggers and tools (UTF-8, cut to Linux's 15 bytes at a character
// boundary on both systems), and reads the name back. Windows keeps names from Windows 10
// (SetThreadDescription); on older systems the name is kept nowhere and reads back empty.
void SetThreadName(std::thread& thread, const std::string& name);
std::string ThreadName(std::thread& thread);

// Full path of the running executable (UTF-8), or empty when it cannot be read.
std::string ExecutablePath();

}  // namespace platform
