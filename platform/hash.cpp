#include "platform/hash.h"

namespace platform {

std::string HashHex(const unsigned char* digest, size_t size) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(kHex[digest[i] >> 4]);
        text.push_back(kHex[digest[i] & 0xF]);
    }
    return text;
}

}  // namespace platform
