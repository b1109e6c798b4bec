// The running system's version and the machine's bitness of platform/os_info.h: the version
// numbers from ntdll, the bitness from the WOW64 layer and the native system information.
#include <windows.h>

#include "platform/os_info.h"

namespace platform {

std::optional<NtVersion> NtVersionNumbers() {
    // GetVersionExW tells a program without a compatibility manifest 6.2 on every later
    // release; RtlGetNtVersionNumbers tells the truth. No import library has it: looked up.
    using GetNumbers = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return std::nullopt;
    NtVersion version;
    version.serverR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    const FARPROC found = GetProcAddress(ntdll, "RtlGetNtVersionNumbers");
    if (found == nullptr) return version;
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    reinterpret_cast<GetNumbers>(reinterpret_cast<void (*)()>(found))(&major, &minor, &build);
    version.major = major;
    version.minor = minor;
    // The top four bits of the build number mark the system's checked or free build.
    version.build = build & 0x0FFFFFFF;
    return version;
}

std::string OsReleaseVersion() {
    const auto version = NtVersionNumbers();
    if (!version || version->major == 0) return {};
    return std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
           std::to_string(version->build);
}

int MachineBits() {
    if (ProcessBits() == 64) return 64;
    // A 32-bit process on 64-bit Windows runs under WOW64 and is shown a 32-bit system.
    BOOL wow64 = FALSE;
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) return 64;
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    switch (info.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_AMD64:
        case PROCESSOR_ARCHITECTURE_IA64:
        case PROCESSOR_ARCHITECTURE_ARM64:
            return 64;
        case PROCESSOR_ARCHITECTURE_INTEL:
        case PROCESSOR_ARCHITECTURE_ARM:
            return 32;
        default:
            return 0;
    }
}

}  // namespace platform
