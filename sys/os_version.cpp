#include "sys/os_version.h"

#include "platform/os_info.h"
#include "sys/text.h"

namespace Utils {

std::wstring WindowsVersionName(uint32_t major, uint32_t minor, uint32_t build, bool serverR2) {
    build &= 0xFFFF;
    switch (major) {
        case 5:
            if (minor == 0) return L"2K";
            if (minor == 1) return L"XP";
            if (minor == 2) return serverR2 ? L"Server 2003 R2" : L"Server 2003";
            return L"XP+";
        case 6:
            if (minor == 0) return L"Vista";
            if (minor == 1) return L"7";
            if (minor == 2) return L"8";
            if (minor == 3) return L"8.1";
            return L"8.1+";
        case 10:
            return minor == 0 ? L"10" : L"10+";
        default:
            break;
    }
    if (major <= 4) return L"XP-";
    return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build);
}

void GetOsVersionName(std::wstring& name, std::wstring& version) {
    name = FromUtf8(platform::kOsName);
#ifdef _WIN32
    // The release's name; without ntdll the oldest name there is.
    const auto numbers = platform::NtVersionNumbers();
    version = numbers ? WindowsVersionName(numbers->major, numbers->minor, numbers->build,
                                           numbers->serverR2)
                      : L"XP-";
#else
    version = FromUtf8(platform::OsReleaseVersion());
#endif
}

bool IsWow64For(int processBits, int machineBits) {
    return processBits == 32 && machineBits == 64;
}

bool IsWow64() {
    return IsWow64For(platform::ProcessBits(), platform::MachineBits());
}

}  // namespace Utils
