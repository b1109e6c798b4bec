#include "platform/known_folders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/paths.h"
#include "tests/support/scoped_environment.h"

namespace {

#ifdef _WIN32
// The system names the same folders in the environment it gives every program; a folder mixed
// up with another shows as a different path.
TEST(KnownFolders, AreTheSystemsFoldersWithoutTrailingSeparator) {
    const auto documents = platform::GetEnv("PUBLIC");
    const struct {
        const char* name;
        std::optional<std::string> folder;
        std::optional<std::string> expected;
    } cases[] = {
        {"AppData", platform::AppDataFolder(), platform::GetEnv("APPDATA")},
        {"LocalAppData", platform::LocalAppDataFolder(), platform::GetEnv("LOCALAPPDATA")},
        {"ProgramFiles", platform::ProgramFilesFolder(), platform::GetEnv("ProgramFiles")},
        {"CommonDocuments", platform::CommonDocumentsFolder(),
         documents ? std::optional<std::string>(*documents + "\\Documents") : std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.folder.has_value());
        ASSERT_TRUE(c.expected.has_value()) << "the environment does not name it";
        EXPECT_EQ(*c.folder, *c.expected);
        EXPECT_NE(c.folder->back(), '\\');
        EXPECT_TRUE(platform::IsDirectory(*c.folder)) << *c.folder;
    }
}
#else
// Linux only: the folders come from the XDG variables and the home folder.
TEST(KnownFolders, FollowTheXdgVariablesWhenAbsolute) {
    testing_support::ScopedEnvironment env;
    env.Set("HOME", "/home/ann");
    const struct {
        std::optional<std::string> value;  // of both XDG variables
        const char* appData;
        const char* localAppData;
    } cases[] = {
        {"/x/config", "/x/config", "/x/config"},
        {std::nullopt, "/home/ann/.config", "/home/ann/.local/share"},
        {"", "/home/ann/.config", "/home/ann/.local/share"},
        {"relative", "/home/ann/.config", "/home/ann/.local/share"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.value_or("(unset)"));
        env.Set("XDG_CONFIG_HOME", c.value);
        env.Set("XDG_DATA_HOME", c.value);
        EXPECT_EQ(platform::AppDataFolder(), c.appData);
        EXPECT_EQ(platform::LocalAppDataFolder(), c.localAppData);
    }
    env.Set("XDG_CONFIG_HOME", std::nullopt);
    env.Set("HOME", std::nullopt);
    EXPECT_EQ(platform::AppDataFolder(), std::nullopt);
}
#endif

}  // namespace
