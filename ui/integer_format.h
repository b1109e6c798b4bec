// Texts from printf-style patterns that come from the skin (frame names, the progress text):
// only a pattern with exactly one integer conversion is formatted, since anything else would
// read arguments that are not there. Pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

// `pattern` with its one integer conversion (flags, width and precision allowed; "%%" is a
// literal) filled with the 32-bit `value` (signed for %d and %i), as a buffer of `bufferSize`
// wide characters would hold it. Empty when the pattern has no such single conversion or the
// result does not fit.
std::wstring FormatIntegerPattern(std::wstring_view pattern, uint32_t value, size_t bufferSize);

}  // namespace ui
