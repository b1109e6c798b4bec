// Fresh GUIDs as text. Safe on any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace Utils {

// A new random (version 4) GUID as 32 hexadecimal characters without dashes or braces; the
// third group is lower case, the rest upper case. Empty when no random bytes are available.
std::wstring NewGuidString();

// The text of a GUID given as its 16 bytes in field order (Data1 and Data2 and Data3 big
// endian, then the eight bytes of Data4).
std::wstring FormatGuid(const std::array<uint8_t, 16>& bytes);

}  // namespace Utils
