// The running operating system: its name, its release version and the bitness of the
// machine and of this process. Safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The system name used wherever a fixed text names the running system.
inline constexpr const char* kOsName = "Linux";

// VERSION_ID of /etc/os-release (or /usr/lib/os-release), else the kernel release; empty
// when neither can be read.
std::string OsReleaseVersion();

// VERSION_ID from the text of an os-release file, unquoted; empty when it has none.
std::string ParseOsReleaseVersionId(std::string_view text);

// 64 or 32 for the machine (from the kernel's machine name), 0 when it cannot be told.
int MachineBits();
int MachineBitsFromName(std::string_view machine);

// 64 or 32: the bitness this program was built for.
constexpr int ProcessBits() {
    return static_cast<int>(sizeof(void*) * 8);
}

}  // namespace platform
