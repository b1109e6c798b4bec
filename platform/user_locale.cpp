#include "platform/user_locale.h"

#ifndef _WIN32
#include "platform/environment.h"
#endif

namespace platform {

LocaleNames ParseLocaleNames(std::string_view value) {
    const size_t modifier = value.find('@');
    if (modifier != std::string_view::npos) value = value.substr(0, modifier);
    const size_t codeset = value.find('.');
    if (codeset != std::string_view::npos) value = value.substr(0, codeset);
    if (value.empty() || value == "C" || value == "POSIX") return {};

    LocaleNames names;
    const size_t underscore = value.find('_');
    const std::string_view language = value.substr(0, underscore);
    if (!language.empty()) names.language = std::string(language);
    if (underscore != std::string_view::npos && underscore + 1 < value.size())
        names.country = std::string(value.substr(underscore + 1));
    return names;
}

#ifndef _WIN32
// Windows asks the system instead: user_locale_windows.cpp.
LocaleNames UserLocaleNames() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const auto value = GetEnv(variable);
        if (value && !value->empty()) return ParseLocaleNames(*value);
    }
    return {};
}
#endif

}  // namespace platform
