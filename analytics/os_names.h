// The operating-system naming of usage reports: the system's name and version name ($os,
// $os_version, the user agent, ov_os) and whether the system is 64-bit. Safe on any thread.
#pragma once

#include <cstdint>
#include <string>

namespace orvane::analytics {

struct OsNameInfo {
    std::string osName;       // "Linux", "Windows"
    std::string versionName;  // the release: "12" on Debian 12, "7-32" on 32-bit Windows 7
};

// The running system's names.
OsNameInfo OsNames();

// True when the machine is 64-bit (when that cannot be told: when this program is).
bool Is64BitSystem();

// The short name of a Windows release from its version numbers (only the low 16 bits of
// `build` count), as reports from Windows name it. Pure.
std::string WindowsOsVersionName(uint32_t major, uint32_t minor, uint32_t build, bool is64Bit,
                                 bool serverR2);

}  // namespace orvane::analytics
