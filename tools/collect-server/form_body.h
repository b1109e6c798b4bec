// Reading an application/x-www-form-urlencoded body: field lookup and URL unescaping.
// Pure functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace collect_server {

// "%XY" becomes the byte 0xXY and "+" a blank; a "%" not followed by two hex digits makes
// the text invalid (nullopt).
std::optional<std::string> UrlUnescape(std::string_view text);

// The raw (still escaped) value of the first field called `name`, or nullopt.
std::optional<std::string_view> FormField(std::string_view body, std::string_view name);

}  // namespace collect_server
