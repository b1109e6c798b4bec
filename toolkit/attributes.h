// Parsers for the values of markup attributes (colours, numbers, rectangles, booleans).
// Pure functions; each returns false and leaves the output alone when the text is not valid.
#pragma once

#include <string_view>

#include "toolkit/types.h"

namespace toolkit {

// "#AARRGGBB" or "0xAARRGGBB" (alpha first); six digits ("#RRGGBB") mean an opaque colour.
bool ParseColor(std::wstring_view text, Color* color);
// A decimal integer with an optional sign; blanks around it are allowed.
bool ParseInt(std::wstring_view text, int* value);
// Exactly `count` decimal integers separated by commas.
bool ParseInts(std::wstring_view text, int* values, int count);
// "left,top,right,bottom".
bool ParseRect(std::wstring_view text, Rect* rect);
// "width,height".
bool ParseSize(std::wstring_view text, Size* size);
// "true" in any letter case is true; anything else is false.
bool ParseBool(std::wstring_view text);

// Letter-case-insensitive comparison for ASCII names (class names, keys).
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace toolkit
