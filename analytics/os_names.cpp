#include "analytics/os_names.h"

#include "platform/os_info.h"
#include "platform/system_names.h"

namespace orvane::analytics {

OsNameInfo OsNames() {
    const bool is64Bit = Is64BitSystem();
#ifdef _WIN32
    // Reports from Windows carry the release's short name; without ntdll the oldest there is.
    const auto numbers = platform::NtVersionNumbers();
    const std::string version =
        numbers ? WindowsOsVersionName(numbers->major, numbers->minor, numbers->build, is64Bit,
                                       numbers->serverR2)
                : "XP-";
    return {platform::RunningSystemNames(is64Bit).osName, version};
#else
    return {platform::RunningSystemNames(is64Bit).osName, platform::OsReleaseVersion()};
#endif
}

bool Is64BitSystem() {
    const int machineBits = platform::MachineBits();
    if (machineBits != 0) return machineBits == 64;
    // A 64-bit program only runs on a 64-bit system.
    return platform::ProcessBits() == 64;
}

std::string WindowsOsVersionName(uint32_t major, uint32_t minor, uint32_t build, bool is64Bit,
                                 bool serverR2) {
    build &= 0xFFFF;
    switch (major) {
        case 5:
            if (minor == 0) return "2K";
            if (minor == 1) return "XP";
            if (minor == 2) {
                if (is64Bit) return "XP64";
                return serverR2 ? "Server 2003 R2" : "Server 2003";
            }
            return "XP+";
        case 6:
            if (minor == 0) return is64Bit ? "Vista64" : "Vista";
            if (minor == 1) return is64Bit ? "7" : "7-32";
            if (minor == 2) return is64Bit ? "8" : "8-32";
            if (minor == 3) return "8.1";
            return "8.1+";
        case 10:
            if (minor == 0) return build < 22000 ? "10" : "11";
            return "11+";
        default:
            break;
    }
    if (major <= 4) return "XP-";
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
}

}  // namespace orvane::analytics
