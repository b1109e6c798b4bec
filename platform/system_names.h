// The fixed texts that name the running system in usage reports: the system's name, the name
// of the reporting library's build for it, and the machine tag of the user agent. One place,
// so that a port to another system changes them together. Pure; safe on any thread.
#pragma once

namespace platform {

struct SystemNames {
    const char* osName;      // "Linux": $os, ov_os, ov_app_platform
    const char* sdkName;     // "LinuxCPP": ov_sdk
    const char* machineTag;  // "Linux64" or "Linux32": the user agent's machine part
};

SystemNames RunningSystemNames(bool is64BitSystem);

}  // namespace platform
