#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "analytics/analytics_context.h"
#include "analytics/distinct_id.h"
#include "analytics/ensure_utf8.h"
#include "analytics/locale_rule.h"
#include "analytics/native_track_logger.h"
#include "analytics/os_names.h"
#include "platform/ini_file.h"
#include "platform/os_info.h"
#include "platform/user_locale.h"
#include "tests/analytics/system_texts.h"
#include "tests/analytics/tracker_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::analytics;

const std::regex kGuid("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");

std::string Read(const std::string& path, const char* section, const char* key) {
    return platform::ReadProfileValue(section, key, path).value_or("<missing>");
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(platform::FsPath(path), std::ios::binary) << text;
}

// The path with '/' for every separator, as the pointer file's value is taken.
std::string Slashed(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

bool IsFolder(const std::string& path) {
    return fs::is_directory(platform::FsPath(path));
}

class IdentityFilesTest : public analytics_test::TrackerTest {
protected:
    // A pointer file that names nothing, so the defaults apply.
    std::string NoPointer() const { return m_scratch / "Set.ini"; }
};

TEST_F(IdentityFilesTest, FirstRunMakesTheFolderAndANewDeviceIdentity) {
    AnalyticsContext context;
    context.ResolveFiles("X", "", NoPointer());
    EXPECT_EQ(context.Files().folder, AnalyticsFolder());
    EXPECT_EQ(context.Files().settingsFile, SettingsFile());
    EXPECT_EQ(context.Files().logFile, AnalyticsFolder() + "X_OVSLog.txt");
    EXPECT_EQ(context.Files().stagingFile, StagingFile());
    EXPECT_TRUE(IsFolder(AnalyticsFolder()));

    context.LoadIdentity();
    context.ReconcileIdentity("http://u/sa?project=pc");
    context.WriteAppRecord("X", "1.0", "store");

    const std::string id = Read(SettingsFile(), "Base", "DistinctId");
    EXPECT_TRUE(std::regex_match(id, kGuid)) << id;
    EXPECT_EQ(Read(SettingsFile(), "Base", "PrimaryDistinctId"), id);
    EXPECT_EQ(Read(SettingsFile(), "Base", "UserId"), "");
    EXPECT_EQ(Read(SettingsFile(), "Base", "UserVipLevel"), "0");
    EXPECT_EQ(Read(SettingsFile(), "Base", "URL"), "http://u/sa?project=pc");
    EXPECT_EQ(Read(SettingsFile(), "Base", "isLogined"), "NG");
    EXPECT_EQ(Read(SettingsFile(), "UninstallInfo", "AppStore"), "store");
    EXPECT_EQ(Read(SettingsFile(), "UninstallInfo", "AppName"), "X");
    EXPECT_EQ(Read(SettingsFile(), "UninstallInfo", "AppVersion"), "1.0");
    EXPECT_EQ(context.Identity().primaryDistinctId, id);
}

TEST_F(IdentityFilesTest, StoredIdentityIsReconciledWithTheServerUrl) {
    const std::string kUrl = "http://new/sa?project=pc";
    const struct {
        const char* name;
        const char* base;  // the stored [Base] section
        bool loginState;
        const char* userId;
        const char* distinctId;
        const char* primaryDistinctId;
        bool saved;  // the file was rewritten with the reconciled identity
    } cases[] = {
        {"logged in, same URL",
         "DistinctId=u1\nPrimaryDistinctId=P1\nUserId=u1\nUserVipLevel=2\n"
         "URL=http://new/sa?project=pc\nisLogined=OK\n",
         true, "u1", "u1", "P1", false},
        {"logged in, URL changed: logged out, back to the device id",
         "DistinctId=u1\nPrimaryDistinctId=P1\nUserId=u1\nUserVipLevel=2\n"
         "URL=http://old/sa?project=pc\nisLogined=OK\n",
         false, "", "P1", "P1", true},
        {"isLogined in lower case reads as logged out",
         "DistinctId=u1\nPrimaryDistinctId=P1\nUserId=u1\nURL=http://new/sa?project=pc\n"
         "isLogined=ok\n",
         false, "u1", "u1", "P1", false},
        {"logged in without a user id counts as logged out",
         "DistinctId=D1\nPrimaryDistinctId=P1\nUserId=\nURL=http://new/sa?project=pc\n"
         "isLogined=OK\n",
         false, "", "D1", "P1", false},
        {"no primary id: the distinct id is taken",
         "DistinctId=D1\nURL=http://old/sa?project=pc\nisLogined=NG\n", false, "", "D1", "D1",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(platform::FsPath(AnalyticsFolder()));
        Write(SettingsFile(), std::string("[Base]\n") + c.base);
        AnalyticsContext context;
        context.ResolveFiles("X", "", NoPointer());
        context.LoadIdentity();
        context.ReconcileIdentity(kUrl);
        const AnalyticsIdentity id = context.Identity();
        EXPECT_EQ(id.loginState, c.loginState);
        EXPECT_EQ(id.userId, c.userId);
        EXPECT_EQ(id.distinctId, c.distinctId);
        EXPECT_EQ(id.primaryDistinctId, c.primaryDistinctId);
        EXPECT_EQ(id.storedUrl, kUrl);
        if (c.saved) {
            EXPECT_EQ(Read(SettingsFile(), "Base", "UserId"), "");
            EXPECT_EQ(Read(SettingsFile(), "Base", "isLogined"), "NG");
            EXPECT_EQ(Read(SettingsFile(), "Base", "DistinctId"), c.distinctId);
            EXPECT_EQ(Read(SettingsFile(), "Base", "PrimaryDistinctId"), c.primaryDistinctId);
            EXPECT_EQ(Read(SettingsFile(), "Base", "URL"), kUrl);
        }
    }
}

TEST_F(IdentityFilesTest, SettingsFileWithoutDistinctIdGetsANewOneSaved) {
    fs::create_directories(platform::FsPath(AnalyticsFolder()));
    Write(SettingsFile(), "[Base]\nUserVipLevel=3\nURL=http://u\n");
    AnalyticsContext context;
    context.ResolveFiles("X", "", NoPointer());
    context.LoadIdentity();
    const AnalyticsIdentity id = context.Identity();
    EXPECT_TRUE(std::regex_match(id.distinctId, kGuid)) << id.distinctId;
    EXPECT_EQ(id.vipLevel, 3);
    EXPECT_EQ(Read(SettingsFile(), "Base", "DistinctId"), id.distinctId);
}

TEST_F(IdentityFilesTest, PointerFileNamesTheSettingsFile) {
    const std::string deep = m_scratch / "elsewhere/a/b/Custom.ini";
    std::string withBackslashes = deep;
    for (char& c : withBackslashes)
        if (c == '/') c = '\\';
    const struct {
        const char* name;
        std::string value;
        std::string settingsFile;
        std::string folder;
        const char* pointerName = "Set.ini";
    } cases[] = {
        {"path with missing parents", deep, Slashed(deep), Slashed(m_scratch / "elsewhere/a/b/")},
        {"the other separator", withBackslashes, Slashed(deep),
         Slashed(m_scratch / "elsewhere/a/b/")},
        {"a bare name selects the defaults", "Custom.ini", SettingsFile(), AnalyticsFolder()},
        {"empty selects the defaults", "", SettingsFile(), AnalyticsFolder()},
        // The installation records write the pointer as "set.ini".
        {"a pointer file named in other letter case", deep, Slashed(deep),
         Slashed(m_scratch / "elsewhere/a/b/"), "set.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(platform::FsPath(m_scratch / "elsewhere"));
        fs::remove(platform::FsPath(NoPointer()));
        Write(m_scratch / c.pointerName, "[Install]\nOVAnalyticsIni=" + c.value + "\n");
        AnalyticsContext context;
        context.ResolveFiles("X", m_scratch / "my.log", NoPointer());
        EXPECT_EQ(context.Files().settingsFile, c.settingsFile);
        EXPECT_EQ(context.Files().folder, c.folder);
        EXPECT_EQ(context.Files().logFile, m_scratch / "my.log");
        EXPECT_EQ(context.Files().stagingFile, c.folder + "X_OVSStaging.txt");
        EXPECT_TRUE(IsFolder(c.folder));
    }
}

#ifndef _WIN32  // the Windows shell names a local data folder whatever the environment holds
TEST_F(IdentityFilesTest, NoDataFolderMeansNoFiles) {
    m_env.Set("HOME", std::nullopt);
    m_env.Set("XDG_DATA_HOME", std::nullopt);
    AnalyticsContext context;
    context.ResolveFiles("X", "", NoPointer());
    EXPECT_EQ(context.Files().folder, "");
    EXPECT_EQ(context.Files().settingsFile, "");
    context.LoadIdentity();  // still an identity for this run
    EXPECT_TRUE(std::regex_match(context.Identity().distinctId, kGuid));
}
#endif

TEST(DistinctId, DrawsGuidsUntilOneSucceedsThenFallsBack) {
    const std::wstring kFirst = L"11111111222233334444555555555555";
    const std::wstring kGood = L"8f3a2b1c4d5e4f60a1b2c3d4e5f60718";
    const struct {
        const char* name;
        int failures;          // further draws that fail before one succeeds (-1: all fail)
        const char* expected;  // the id, or null for the fallback form
    } cases[] = {
        {"second draw", 0, "8F3A2B1C-4D5E-4F60-A1B2-C3D4E5F60718"},
        {"tenth further draw", 9, "8F3A2B1C-4D5E-4F60-A1B2-C3D4E5F60718"},
        {"ten failures", -1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        const std::string id = NewDistinctId([&]() -> std::wstring {
            const int call = calls++;
            if (call == 0) return kFirst;  // never used
            if (c.failures < 0 || call <= c.failures) return L"";
            return kGood;
        });
        if (c.expected != nullptr) {
            EXPECT_EQ(id, c.expected);
        } else {
            EXPECT_EQ(calls, 11);
            EXPECT_TRUE(std::regex_match(
                id, std::regex("[0-9a-f]+-[0-9a-f]+-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]+")))
                << id;
        }
    }
    EXPECT_EQ(FormatFallbackId({0x1, 0x2, 0x3, 0x12345, 0x3FFF + 5, 0xa, 0xb, 0xc}),
              "12-3-4345-8005-abc");
    EXPECT_TRUE(std::regex_match(NewDistinctId(), kGuid));
    EXPECT_NE(NewDistinctId(), NewDistinctId());
}

TEST(OsNaming, WindowsVersionTable) {
    const struct {
        uint32_t major, minor, build;
        bool is64, serverR2;
        const char* name;
    } cases[] = {
        {4, 10, 0, false, false, "XP-"},
        {5, 0, 0, false, false, "2K"},
        {5, 1, 0, true, false, "XP"},
        {5, 2, 0, true, true, "XP64"},
        {5, 2, 0, false, true, "Server 2003 R2"},
        {5, 2, 0, false, false, "Server 2003"},
        {5, 3, 0, false, false, "XP+"},
        {6, 0, 0, true, false, "Vista64"},
        {6, 0, 0, false, false, "Vista"},
        {6, 1, 0, true, false, "7"},
        {6, 1, 0, false, false, "7-32"},
        {6, 2, 0, true, false, "8"},
        {6, 2, 0, false, false, "8-32"},
        {6, 3, 0, false, false, "8.1"},
        {6, 4, 0, true, false, "8.1+"},
        {10, 0, 19045, true, false, "10"},
        {10, 0, 22631, true, false, "11"},
        {10, 0, 0x10000 + 19045, true, false, "10"},
        {10, 1, 0, true, false, "11+"},
        {11, 2, 0x1002A, true, false, "11.2.42"},
        {7, 0, 1, false, false, "7.0.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << "." << c.build);
        EXPECT_EQ(WindowsOsVersionName(c.major, c.minor, c.build, c.is64, c.serverR2), c.name);
    }
    const OsNameInfo os = OsNames();
    EXPECT_EQ(os.osName, analytics_test::kOsName);
#ifdef _WIN32
    // The table's name of the running release.
    const auto nt = platform::NtVersionNumbers();
    ASSERT_TRUE(nt);
    EXPECT_EQ(os.versionName,
              WindowsOsVersionName(nt->major, nt->minor, nt->build, Is64BitSystem(), nt->serverR2));
#else
    EXPECT_EQ(os.versionName, platform::OsReleaseVersion());
#endif
}

TEST(Utf8Rule, WellFormedTextPassesAndAnythingElseIsConverted) {
    const struct {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"empty", "", ""},
        {"ASCII", "abc", "abc"},
        {"UTF-8", "中文", "中文"},
        {"a byte that is no UTF-8", "a\xC4z",
         std::string("a") + analytics_test::kByteC4AsUtf8 + "z"},
        // A control byte fails the value rule but is valid UTF-8: converted to itself.
        {"control byte", "a\x01", "a\x01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EnsureUtf8(c.in), c.out);
    }
}

TEST(Locale, NamesFromTheLocaleValue) {
    const struct {
        const char* value;
        std::optional<std::string> language, country;
    } cases[] = {
        {"zh_CN.UTF-8", "zh", "CN"},
        {"en_US", "en", "US"},
        {"sr_RS@latin", "sr", "RS"},
        {"de_AT.UTF-8@euro", "de", "AT"},
        {"fr", "fr", std::nullopt},
        {"C", std::nullopt, std::nullopt},
        {"C.UTF-8", std::nullopt, std::nullopt},
        {"POSIX", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const platform::LocaleNames names = platform::ParseLocaleNames(c.value);
        EXPECT_EQ(names.language, c.language);
        EXPECT_EQ(names.country, c.country);
    }
}

#ifndef _WIN32  // Windows asks the system for the user's locale, not the environment
TEST(Locale, VariablesInTheirOrder) {
    testing_support::ScopedEnvironment env;
    env.Set("LC_ALL", "");
    env.Set("LC_MESSAGES", "ja_JP.UTF-8");
    env.Set("LANG", "de_DE.UTF-8");
    EXPECT_EQ(platform::UserLocaleNames().country, "JP");  // an empty LC_ALL does not count
    env.Set("LC_ALL", "pt_BR");
    EXPECT_EQ(platform::UserLocaleNames().country, "BR");
    env.Set("LC_ALL", std::nullopt);
    env.Set("LC_MESSAGES", std::nullopt);
    EXPECT_EQ(platform::UserLocaleNames().country, "DE");
    env.Set("LANG", std::nullopt);
    EXPECT_FALSE(platform::UserLocaleNames().language);
}
#endif

TEST(Locale, StoredTextThenTheSystem) {
    const platform::LocaleNames zhCn{"zh", "CN"};
    const platform::LocaleNames languageOnly{"fr", std::nullopt};
    const struct {
        const char* name;
        const char* stored;
        platform::LocaleNames system;
        LocaleTexts expected;
    } cases[] = {
        {"stored with _", "en_US", zhCn, {"en_US", "en", "US"}},
        {"split at the first _", "en_US_POSIX", zhCn, {"en_US_POSIX", "en", "US_POSIX"}},
        {"stored without _", "en", zhCn, {"zh_CN", "zh", "CN"}},
        {"nothing stored", "", zhCn, {"zh_CN", "zh", "CN"}},
        {"system country unreadable", "", languageOnly, {"", "", ""}},
        {"stored with an empty language", "_US", zhCn, {"zh_CN", "zh", "CN"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LocaleTexts texts = ResolveLocale(c.stored, c.system);
        EXPECT_EQ(texts.locale, c.expected.locale);
        EXPECT_EQ(texts.language, c.expected.language);
        EXPECT_EQ(texts.country, c.expected.country);
    }
}

TEST(TrackLogger, FileBackedEntries) {
    testing_support::ScratchFolder scratch;
    const std::string path = scratch / "log.txt";
    NativeTrackLogger logger;
    EXPECT_TRUE(logger.readLogs().empty());  // not open: nothing, and no file made
    logger.open(path);
    EXPECT_TRUE(fs::exists(platform::FsPath(path)));
    logger.append("one");
    logger.append("two\nlines");
    EXPECT_EQ(logger.readLogs(), (std::vector<std::string>{"one", "two lines"}));
    logger.clearLogs();
    EXPECT_TRUE(logger.readLogs().empty());
    logger.close();
    logger.append("after close");
    logger.open(path);
    EXPECT_TRUE(logger.readLogs().empty());
}

}  // namespace
