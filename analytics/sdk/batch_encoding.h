// The upload form body of one batch: gzip, Base64, URL escaping, "data_list=...&gzip=1".
// Pure functions, safe on any thread.
#pragma once

#include <string>
#include <string_view>

#include "platform/hash.h"

namespace event_collect {

// Standard alphabet with "=" padding and no line breaks.
using platform::Base64Encode;

// Copies A-Z, a-z, 0-9 and "-._~"; every other byte becomes "%" and two upper-case hex digits.
std::string UrlEscape(std::string_view text);

// "data_list=" + the escaped Base64 text of the gzip-compressed batch + "&gzip=1". Returns
// false (after the compressor's diagnostic line) when compression fails.
bool MakeUploadBody(std::string_view batchText, std::string* body);

}  // namespace event_collect
