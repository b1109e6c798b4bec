// Formatting of one trace line that never loses it. Pure; safe on any thread.
#pragma once

#include <cstdarg>
#include <string>

namespace Utils {

// Formats `format` with `args` as the C library's wide printf does. When that fails (in the
// "C" locale a narrow "%hs" text with a byte past ASCII cannot be converted), the line is
// formatted conversion by conversion instead and each argument that fails is written as
// <unprintable "..."> (a narrow text, its bytes past ASCII as \xNN) or <unprintable>, so the
// line is still written and shows what went wrong. An unknown conversion ends the
// arguments: the rest of the format is written as it stands.
std::wstring FormatLogLine(const wchar_t* format, va_list args);

}  // namespace Utils
