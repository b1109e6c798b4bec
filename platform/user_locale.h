// The user's default locale names (the ISO 639 language and ISO 3166 country). Linux reads
// them from the environment as the C library does for messages: LC_ALL, else LC_MESSAGES,
// else LANG, the first one set and not empty; Windows asks the system for the user's default
// locale. Safe on any thread while nothing changes the environment.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct LocaleNames {
    std::optional<std::string> language;  // "zh" of "zh_CN.UTF-8"
    std::optional<std::string> country;   // "CN" of "zh_CN.UTF-8"
};

// The names in a locale value "language[_COUNTRY][.codeset][@modifier]". "C", "POSIX" and
// their codeset forms ("C.UTF-8") name no language, so both reads fail for them; a part that
// is missing or empty fails on its own.
LocaleNames ParseLocaleNames(std::string_view value);

// The names of the user's default locale; both fail when no variable is set (on Windows, when
// the system cannot name them).
LocaleNames UserLocaleNames();

}  // namespace platform
