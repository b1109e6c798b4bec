// Code-page conversions between wide text (wchar_t, UTF-32 here) and narrow text.
// Code page 0 (the "ANSI" page) and 65001 are UTF-8; any other number N goes through iconv
// as "CPN". Stateless and safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

inline constexpr unsigned kCodePageAnsi = 0;
inline constexpr unsigned kCodePageUtf8 = 65001;

// Invalid input bytes become U+FFFD and characters the target page cannot hold become "?",
// as the system converters do without their strict flags. Returns false (and leaves the
// output empty) only when the code page is unknown.
bool MultiByteToWide(unsigned codePage, std::string_view in, std::wstring* out);
bool WideToMultiByte(unsigned codePage, std::wstring_view in, std::string* out);

// True when the bytes are well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool IsWellFormedUtf8(std::string_view in);

}  // namespace platform
