// Text helpers shared by every module. Pure functions, safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace Utils {

// Conversions in a code page (0 = the ANSI page, UTF-8 here; 65001 = UTF-8; others by number).
// An unknown code page gives an empty result.
std::string WideToNarrow(std::wstring_view text, unsigned codePage = 0);
std::wstring NarrowToWide(std::string_view text, unsigned codePage = 0);
std::string Utf8ToAnsi(std::string_view utf8);

// Shorthands for the two pages the code uses most.
inline std::string ToUtf8(std::wstring_view text) {
    return WideToNarrow(text, 65001);
}
inline std::wstring FromUtf8(std::string_view text) {
    return NarrowToWide(text, 65001);
}

// White space is blank, tab, carriage return, line feed, vertical tab and form feed.
std::wstring TrimLeft(std::wstring_view text);
std::wstring TrimRight(std::wstring_view text);
std::wstring Trim(std::wstring_view text);
std::string Trim(std::string_view text);

// Replaces every occurrence of `from`, searching again from the start after each
// replacement. When `to` itself contains `from` that rule would never end, so the search
// then continues after the inserted text instead. An empty `from` changes nothing.
std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to);

}  // namespace Utils
