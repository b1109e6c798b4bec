// The fixed texts that name the running system in usage reports, and the user's locale names
// as the system gives them.
#include "platform/system_names.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/os_info.h"
#include "platform/user_locale.h"

namespace {

TEST(SystemNames, TheRunningSystemsTexts) {
    // The collection server groups reports by these texts: a change splits the statistics.
#ifdef _WIN32
    const std::string os = "Windows", sdk = "WindowsCPP", tag64 = "Win64", tag32 = "Win32";
#else
    const std::string os = "Linux", sdk = "LinuxCPP", tag64 = "Linux64", tag32 = "Linux32";
#endif
    for (const bool is64 : {true, false}) {
        SCOPED_TRACE(is64 ? "64-bit" : "32-bit");
        const platform::SystemNames names = platform::RunningSystemNames(is64);
        EXPECT_EQ(names.osName, os);
        EXPECT_EQ(names.osName, std::string(platform::kOsName));
        EXPECT_EQ(names.sdkName, sdk);
        EXPECT_EQ(names.machineTag, is64 ? tag64 : tag32);
    }
}

#ifdef _WIN32
// Linux reads the names from the environment (tests/analytics runs them through its
// variables); Windows asks the system, which always has a user locale.
bool AllOf(const std::string& text, size_t minLength, size_t maxLength, char low, char high) {
    if (text.size() < minLength || text.size() > maxLength) return false;
    for (const char c : text) {
        if (c < low || c > high) return false;
    }
    return true;
}

TEST(UserLocale, TheSystemNamesLanguageAndCountry) {
    const platform::LocaleNames names = platform::UserLocaleNames();
    ASSERT_TRUE(names.language.has_value());
    ASSERT_TRUE(names.country.has_value());
    // ISO 639: two or three lower-case letters ("zh", "haw").
    EXPECT_TRUE(AllOf(*names.language, 2, 3, 'a', 'z')) << *names.language;
    // ISO 3166: two upper-case letters ("CN"), or a region's number ("419").
    EXPECT_TRUE(AllOf(*names.country, 2, 2, 'A', 'Z') || AllOf(*names.country, 3, 3, '0', '9'))
        << *names.country;
}
#endif

}  // namespace
