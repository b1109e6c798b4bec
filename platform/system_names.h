// The fixed texts that name the running system in usage reports: the system's name, the name
// of the reporting library's build for it, and the machine tag of the user agent. One place,
// so that a port to another system changes them together. Pure; safe on any thread.
#pragma once

namespace platform {

struct SystemNames {
    const char* osName;      // $os, ov_os, ov_app_platform: "Linux", "Windows"
    const char* sdkName;     // ov_sdk: "LinuxCPP", "WindowsCPP"
    const char* machineTag;  // the user agent's machine part: "Linux64"/"Linux32", "Win64"/"Win32"
};

SystemNames RunningSystemNames(bool is64BitSystem);

}  // namespace platform
