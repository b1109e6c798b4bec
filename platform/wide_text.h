// UTF-8 text as the wide text the system's W functions take, and back (platform/codepage.h
// in UTF-8). Stateless and safe on any thread.
#pragma once

#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace platform {

inline std::wstring WideFromUtf8(std::string_view utf8) {
    std::wstring wide;
    MultiByteToWide(kCodePageUtf8, utf8, &wide);
    return wide;
}

inline std::string Utf8FromWide(std::wstring_view wide) {
    std::string utf8;
    WideToMultiByte(kCodePageUtf8, wide, &utf8);
    return utf8;
}

}  // namespace platform
