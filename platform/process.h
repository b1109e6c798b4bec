// The running process and its threads: ids, names and the executable's own path.
// Safe on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

namespace platform {

uint32_t ProcessId();
uint32_t CurrentThreadId();

// Names a thread for debuggers and tools (cut to the system's 15 bytes, at a character
// boundary), and reads the name back.
void SetThreadName(std::thread& thread, const std::string& name);
std::string ThreadName(std::thread& thread);

// Full path of the running executable, or empty when it cannot be read.
std::string ExecutablePath();

}  // namespace platform
