// The user's default locale names of platform/user_locale.h, as the system's locale settings
// give them.
#include <windows.h>

#include <iterator>

#include "platform/user_locale.h"

namespace platform {
namespace {

// One ISO name of the user's default locale in UTF-8; nullopt when the system has none.
std::optional<std::string> LocaleName(LCTYPE type) {
    wchar_t name[16] = {};  // the system's ISO names fit in 9 characters
    const int length =
        GetLocaleInfoW(LOCALE_USER_DEFAULT, type, name, static_cast<int>(std::size(name)));
    if (length <= 1) return std::nullopt;  // the length counts the terminating null
    // ISO names are ASCII letters and digits.
    std::string narrow;
    for (int i = 0; i + 1 < length; ++i) {
        if (name[i] >= 0x80) return std::nullopt;
        narrow += static_cast<char>(name[i]);
    }
    return narrow;
}

}  // namespace

LocaleNames UserLocaleNames() {
    // The two ISO names as the system gives them; the locale name ("zh-CN", but also
    // "sr-Latn-RS") would need splitting.
    return {LocaleName(LOCALE_SISO639LANGNAME), LocaleName(LOCALE_SISO3166CTRYNAME)};
}

}  // namespace platform
