// The operating system's version as a short name, and whether a 32-bit build runs on a
// 64-bit machine. Safe on any thread.
#pragma once

#include <cstdint>
#include <string>

namespace Utils {

// name: the running system ("Linux"); version: its release (the os-release VERSION_ID, else
// the kernel release; empty when neither can be read).
void GetOsVersionName(std::wstring& name, std::wstring& version);

// The short name of a Windows release from its version numbers; only the low 16 bits of
// `build` count. `serverR2` tells "Server 2003 R2" from "Server 2003".
std::wstring WindowsVersionName(uint32_t major, uint32_t minor, uint32_t build, bool serverR2);

// True when this program is a 32-bit build running on a 64-bit machine.
bool IsWow64();
bool IsWow64For(int processBits, int machineBits);

}  // namespace Utils
