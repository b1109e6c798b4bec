// The running operating system: its name, its release version and the bitness of the
// machine and of this process. Safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The system name used wherever a fixed text names the running system.
#ifdef _WIN32
inline constexpr const char* kOsName = "Windows";
#else
inline constexpr const char* kOsName = "Linux";
#endif

// Linux: VERSION_ID of /etc/os-release (or /usr/lib/os-release), else the kernel release.
// Windows: "major.minor.build" of the running system itself (not the version a program without
// a manifest is told), e.g. "10.0.19045", whose numbers the callers' Windows release names
// take. Empty when it cannot be read.
std::string OsReleaseVersion();

// 64 or 32 for the machine (Linux: from the kernel's machine name; Windows: 64 also when this
// 32-bit process runs on 64-bit Windows), 0 when it cannot be told.
int MachineBits();

#ifdef _WIN32
// Windows only: the running system's version numbers from ntdll's RtlGetNtVersionNumbers (the
// flag bits of the build number removed) and whether it is Server 2003 R2 (SM_SERVERR2), as the
// system's release names need them. Zeros when ntdll lacks the function; nullopt when ntdll
// cannot be had.
struct NtVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    bool serverR2 = false;
};
std::optional<NtVersion> NtVersionNumbers();
#else
// Linux only: Windows has neither os-release files nor a kernel machine name.
// VERSION_ID from the text of an os-release file, unquoted; empty when it has none.
std::string ParseOsReleaseVersionId(std::string_view text);
int MachineBitsFromName(std::string_view machine);
#endif

// 64 or 32: the bitness this program was built for.
constexpr int ProcessBits() {
    return static_cast<int>(sizeof(void*) * 8);
}

}  // namespace platform
