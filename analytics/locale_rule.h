// The locale rule of the tracker's ov_l10n_* super properties. Pure; safe on any thread.
#pragma once

#include <string>

#include "platform/user_locale.h"

namespace orvane::analytics {

struct LocaleTexts {
    std::string locale;    // ov_l10n_locale
    std::string language;  // ov_l10n_language
    std::string country;   // ov_l10n_country
};

// A stored text holding "_" splits at its first "_" ("en_US" gives "en" and "US"). Otherwise
// the system's names are used when both could be read (locale = language + "_" + country);
// else all three stay empty.
LocaleTexts ResolveLocale(const std::string& storedText, const platform::LocaleNames& system);

}  // namespace orvane::analytics
