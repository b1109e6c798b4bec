#include "analytics/locale_rule.h"

namespace orvane::analytics {

LocaleTexts ResolveLocale(const std::string& storedText, const platform::LocaleNames& system) {
    LocaleTexts texts;
    const size_t underscore = storedText.find('_');
    if (!storedText.empty() && underscore != std::string::npos) {
        texts.language = storedText.substr(0, underscore);
        texts.country = storedText.substr(underscore + 1);
        texts.locale = storedText;
    }
    if (texts.language.empty() && system.language && system.country) {
        texts.language = *system.language;
        texts.country = *system.country;
        texts.locale = texts.language + "_" + texts.country;
    }
    return texts;
}

}  // namespace orvane::analytics
