// The console protocol's line reading, shared by the package runner and the uninstaller
// runner: key matching and the scan patterns their values are read with. Pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace protocol_scan {

// Room for one value and its terminator: at most 771 characters are kept.
inline constexpr size_t kValueSize = 772;

// The line begins with `key` exactly, case included, at its first character.
bool HasKey(std::wstring_view line, std::wstring_view key);

// The rest of the line after the key, as "%[^\n]" reads it into kValueSize characters: cut
// at 771 characters; a carriage return before the line feed is dropped.
std::wstring Text(std::wstring_view rest);

// A number as "%lf" reads it (blanks skipped); 0 when none can be read. A number that is not
// finite (an infinity, not-a-number) also gives 0: the value feeds progress arithmetic.
double Number(std::wstring_view rest);

// A decimal integer as "%d" reads it: blanks skipped, optional sign, digits; the value taken
// modulo 2^32 as the C library does for numbers past the 32-bit range. Returns how many
// characters it took, 0 when there are no digits (`*value` unchanged then).
size_t Int32(std::wstring_view rest, int32_t* value);

// A code page named by an "Encode=" value for the package runner: "UTF8" 65001, "ACP" 0,
// otherwise a decimal integer (blanks, optional sign, digits, anything after them
// ignored); 0 when there is none or it lies outside the 32-bit range. The value is trimmed
// first.
int32_t CodePageOf(std::wstring_view value);

}  // namespace protocol_scan
