// EnsureUtf8: the one rule for every text the tracker copies out of a configuration, an event
// record or a locale call. Pure; safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace orvane::analytics {

// An empty or well-formed text (the property-value rule) is returned unchanged; any other is
// taken to be in the system's ANSI code page and converted to UTF-8.
std::string EnsureUtf8(std::string_view text);

}  // namespace orvane::analytics
