// The well-formed text rule for string property values. Pure function, safe on any thread.
#pragma once

#include <string_view>

namespace event_collect {

// True when `text` splits exactly into units of the rule: tab, line feed, carriage return and
// printable ASCII, and the two- to four-byte UTF-8 forms without overlongs, surrogates or
// values past U+10FFFF. Every other control byte, 0x7F and a cut-off sequence fail.
bool IsWellFormedText(std::string_view text);

}  // namespace event_collect
