// What the records say of the system the tests run on, and what becomes of a byte that is not
// UTF-8 (it is read in the system's ANSI page: UTF-8 on Linux, so the replacement character;
// 1252 in the Wine prefix of the Windows tests).
#pragma once

#include <string>

#include "analytics/os_names.h"

namespace analytics_test {

#ifdef _WIN32
inline constexpr const char* kOsName = "Windows";
inline constexpr const char* kSdkName = "WindowsCPP";
inline constexpr const char* kMachineTag64 = "Win64";
inline constexpr const char* kMachineTag32 = "Win32";
inline constexpr const char* kByteC4AsUtf8 = "\xC3\x84";  // "Ä"
inline constexpr const char* kByteF6AsUtf8 = "\xC3\xB6";  // "ö"
#else
inline constexpr const char* kOsName = "Linux";
inline constexpr const char* kSdkName = "LinuxCPP";
inline constexpr const char* kMachineTag64 = "Linux64";
inline constexpr const char* kMachineTag32 = "Linux32";
inline constexpr const char* kByteC4AsUtf8 = "\xEF\xBF\xBD";
inline constexpr const char* kByteF6AsUtf8 = "\xEF\xBF\xBD";
#endif

inline const char* MachineTag() {
    return orvane::analytics::Is64BitSystem() ? kMachineTag64 : kMachineTag32;
}

}  // namespace analytics_test
