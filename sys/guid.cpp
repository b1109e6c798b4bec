#include "sys/guid.h"

#include <cwchar>

#include "platform/random.h"

namespace Utils {

std::wstring FormatGuid(const std::array<uint8_t, 16>& b) {
    const unsigned long data1 = (static_cast<unsigned long>(b[0]) << 24) |
                                (static_cast<unsigned long>(b[1]) << 16) |
                                (static_cast<unsigned long>(b[2]) << 8) | b[3];
    const unsigned data2 = (static_cast<unsigned>(b[4]) << 8) | b[5];
    const unsigned data3 = (static_cast<unsigned>(b[6]) << 8) | b[7];
    wchar_t text[50] = {};
    std::swprintf(text, 50, L"%08lX%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", data1, data2, data3,
                  b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

std::wstring NewGuidString() {
    std::array<uint8_t, 16> bytes{};
    // A made-up identifier would collide across machines; better no identifier at all.
    if (!platform::RandomBytes(bytes.data(), bytes.size())) return {};
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // variant 10: standard layout
    return FormatGuid(bytes);
}

}  // namespace Utils
