#include "analytics/sdk/text_check.h"

#include <cstddef>

namespace event_collect {
namespace {

bool InRange(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

// Length of the unit starting at `i`, or 0 when no unit of the rule starts there.
size_t UnitLength(std::string_view text, size_t i) {
    const auto at = [&](size_t k) -> int {
        return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : -1;
    };
    const auto cont = [&](size_t k, unsigned char low, unsigned char high) {
        const int c = at(k);
        return c >= 0 && InRange(static_cast<unsigned char>(c), low, high);
    };
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead == 0x09 || lead == 0x0A || lead == 0x0D || InRange(lead, 0x20, 0x7E)) return 1;
    if (InRange(lead, 0xC2, 0xDF)) return cont(1, 0x80, 0xBF) ? 2 : 0;
    if (lead == 0xE0) return cont(1, 0xA0, 0xBF) && cont(2, 0x80, 0xBF) ? 3 : 0;
    if (InRange(lead, 0xE1, 0xEC) || lead == 0xEE || lead == 0xEF)
        return cont(1, 0x80, 0xBF) && cont(2, 0x80, 0xBF) ? 3 : 0;
    if (lead == 0xED) return cont(1, 0x80, 0x9F) && cont(2, 0x80, 0xBF) ? 3 : 0;
    if (lead == 0xF0)
        return cont(1, 0x90, 0xBF) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
    if (InRange(lead, 0xF1, 0xF3))
        return cont(1, 0x80, 0xBF) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
    if (lead == 0xF4)
        return cont(1, 0x80, 0x8F) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
    return 0;
}

}  // namespace

bool IsWellFormedText(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const size_t n = UnitLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

}  // namespace event_collect
