// Checks of event names, property keys and identifiers. Each failed check writes one
// diagnostic line naming `label` ("Event Name", "Property Key", "Distinct ID", ...).
// Safe on any thread.
#pragma once

#include <string_view>

namespace event_collect {

inline constexpr size_t kMaxNameLength = 100;
inline constexpr size_t kMaxIdentifierLength = 255;

// 1 to 100 bytes; first byte a letter, "$" or "_"; the rest letters, digits, "$" or "_".
bool CheckName(std::string_view name, std::string_view label);

// 1 to 255 bytes of anything.
bool CheckIdentifier(std::string_view identifier, std::string_view label);

}  // namespace event_collect
