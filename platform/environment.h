// The process environment: on Windows the system's (GetEnvironmentVariableW), names and values
// as UTF-8; on Linux the C library's, bytes as they are. Reading is safe on any thread as long
// as nothing changes the environment at the same time (the start-up code does so before any
// thread exists).
#pragma once

#include <optional>
#include <string>

namespace platform {

// The value of the variable, or nullopt when it is not set; a variable set to nothing gives
// an empty text.
std::optional<std::string> GetEnv(const char* name);

}  // namespace platform
