// The strict reading of UTF-8 sequences, shared by the code-page conversions of every system:
// no overlong forms, no surrogates, nothing past U+10FFFF. Pure functions, safe on any thread.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform::utf8 {

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when there is none there
// (or `s` is empty).
inline size_t SequenceLength(std::string_view s) {
    if (s.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 < 0x80) return 1;
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < len) return 0;
    for (size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < (i == 1 ? lo : 0x80) || b > (i == 1 ? hi : 0xBF)) return 0;
    }
    return len;
}

inline bool WellFormed(std::string_view s) {
    while (!s.empty()) {
        const size_t len = SequenceLength(s);
        if (len == 0) return false;
        s.remove_prefix(len);
    }
    return true;
}

}  // namespace platform::utf8
