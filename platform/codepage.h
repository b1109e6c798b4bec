// Code-page conversions between wide text and narrow text. On Windows wide text is UTF-16
// (a character past U+FFFF is a surrogate pair) and the system converts: code page 0 is the
// system's "ANSI" page (CP_ACP), 65001 is UTF-8, any other page the system knows works. On
// Linux wide text is UTF-32: code page 0 and 65001 are UTF-8 and any other number N goes
// through iconv as "CPN". Stateless and safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

inline constexpr unsigned kCodePageAnsi = 0;
inline constexpr unsigned kCodePageUtf8 = 65001;

// Invalid input bytes become U+FFFD and characters the target page cannot hold become "?",
// as the system converters do without their strict flags (a lone surrogate becomes U+FFFD in
// UTF-8). On Windows a character cut off at the end gives one U+FFFD, and a character past
// U+FFFF that the page lacks "??" (one for each half of its pair); on Linux every byte of the
// cut character gives one, and the character one "?". Returns false (and leaves the output
// empty) only when the code page is unknown.
bool MultiByteToWide(unsigned codePage, std::string_view in, std::wstring* out);
bool WideToMultiByte(unsigned codePage, std::wstring_view in, std::string* out);

// True when the bytes are well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool IsWellFormedUtf8(std::string_view in);

}  // namespace platform
