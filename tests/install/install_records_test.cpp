#include "install/install_records.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "platform/ini_file.h"
#include "platform/known_folders.h"
#include "platform/registry_store.h"
#include "sys/text.h"
#include "tests/support/scratch_folder.h"

namespace {

using testing_support::ScratchFolder;

// Points the per-user folders into a scratch folder, so no real record is touched.
class InstallRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("HOME", (m_scratch / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_scratch / "config").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        setenv("HOME", m_home.c_str(), 1);
    }
    std::wstring Path(const std::string& name) const {
        return Utils::NarrowToWide(m_scratch / name);
    }
    void Register(const wchar_t* name, const std::wstring& value) {
        platform::RegistryKey key;
        ASSERT_EQ(platform::RegistryKey::Create(InstallRecords::kRegistryKey, &key),
                  platform::RegStatus::kOk);
        key.SetString(name, value);
    }
    static void Touch(const std::wstring& path) { std::ofstream(Utils::WideToNarrow(path)) << "x"; }

    std::string m_home = getenv("HOME") != nullptr ? getenv("HOME") : "/root";
    ScratchFolder m_scratch;
};

TEST_F(InstallRecordsTest, LoadInstallRecord) {
    InstallRecords records;
    records.LoadInstallRecord();  // no key at all
    EXPECT_FALSE(records.HasInstallation());
    EXPECT_EQ(records.registryUninstallPath, L"");

    // A key with "InstallPath" only: the uninstaller is "uninst.ep" in that folder.
    Register(L"InstallPath", Path("app"));
    records.LoadInstallRecord();
    EXPECT_TRUE(records.HasInstallation());
    EXPECT_EQ(records.registryUninstallPath, Path("app") + L"/uninst.ep");

    Register(L"UnInstallEp", Path("elsewhere/un.ep"));
    records.LoadInstallRecord();
    EXPECT_EQ(records.registryUninstallPath, Path("elsewhere/un.ep"));
}

TEST_F(InstallRecordsTest, SaveInstallRecordWritesTheUninstallerOnlyWhenItExists) {
    std::filesystem::create_directories(m_scratch / "app");
    InstallRecords records;
    records.SaveInstallRecord(Path("app"));
    InstallRecords read;
    read.LoadInstallRecord();
    EXPECT_EQ(read.registryInstallPath, Path("app"));
    platform::RegistryKey key;
    ASSERT_EQ(platform::RegistryKey::Open(InstallRecords::kRegistryKey, &key),
              platform::RegStatus::kOk);
    std::wstring value;
    EXPECT_EQ(key.QueryString(L"UnInstallEp", &value), platform::RegStatus::kNotFound);

    // The package's reports win over the chosen folder.
    std::filesystem::create_directories(m_scratch / "reported");
    Touch(Path("reported/uninst.ep"));
    records.reportedInstallPath = Path("reported");
    records.SaveInstallRecord(Path("app"));
    read.LoadInstallRecord();
    EXPECT_EQ(read.registryInstallPath, Path("reported"));
    ASSERT_EQ(platform::RegistryKey::Open(InstallRecords::kRegistryKey, &key),
              platform::RegStatus::kOk);
    EXPECT_EQ(key.QueryString(L"UnInstallEp", &value), platform::RegStatus::kOk);
    EXPECT_EQ(value, Path("reported/uninst.ep"));
}

TEST_F(InstallRecordsTest, DefaultInstallDirFollowsAnInstallationWhoseUninstallerStillExists) {
    InstallRecords records;
    records.registryInstallPath = Path("old");
    records.registryUninstallPath = Path("old/uninst.ep");
    const std::wstring fresh = records.DefaultInstallDir();
    EXPECT_NE(fresh, Path("old"));  // the uninstaller file is gone
    EXPECT_EQ(fresh.substr(fresh.size() - 8), L"/Collivo");

    std::filesystem::create_directories(m_scratch / "old");
    Touch(Path("old/uninst.ep"));
    EXPECT_EQ(records.DefaultInstallDir(), Path("old"));
    EXPECT_TRUE(records.IsDefaultInstallDir(Path("old/")));
    EXPECT_TRUE(records.IsDefaultInstallDir(Path("old/./")));
    EXPECT_FALSE(records.IsDefaultInstallDir(Path("old/sub")));
}

TEST_F(InstallRecordsTest, DefaultInstallDirIsUnderAppDataOnlyForAnAdministratorOnBothCounts) {
    const std::wstring programFiles = Utils::FromUtf8(platform::ProgramFilesFolder().value());
    const struct {
        bool consoleUserIsAdmin, processIsAdmin;
        std::wstring expected;
    } cases[] = {
        {true, true, Path("config") + L"/orvane/Collivo"},
        {true, false, programFiles + L"/Collivo"},
        {false, true, programFiles + L"/Collivo"},
        {false, false, programFiles + L"/Collivo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.consoleUserIsAdmin << c.processIsAdmin);
        InstallRecords records;
        records.probes = {[&] { return c.consoleUserIsAdmin; }, [&] { return c.processIsAdmin; }};
        EXPECT_EQ(records.DefaultInstallDir(), c.expected);
        // Both answers go on to the package's command line.
        EXPECT_EQ(records.consoleUserIsAdmin, c.consoleUserIsAdmin);
        EXPECT_EQ(records.processIsAdmin, c.processIsAdmin);
    }

    // The real probes: the tests run as root, an administrator at the console and in-process.
    if (geteuid() != 0) GTEST_SKIP() << "needs an administrator";
    InstallRecords records;
    EXPECT_EQ(records.DefaultInstallDir(), Path("config") + L"/orvane/Collivo");
    EXPECT_TRUE(records.consoleUserIsAdmin);
    EXPECT_TRUE(records.processIsAdmin);
}

TEST_F(InstallRecordsTest, CustomInstallDir) {
    InstallRecords records;
    const std::wstring defaultDir = records.DefaultInstallDir();
    struct Case {
        std::wstring typed, expected;
    } cases[] = {
        {defaultDir, defaultDir},
        {defaultDir + L"/", defaultDir},
        {L"/data/apps", L"/data/apps/Collivo"},
        {L"/data/apps/", L"/data/apps/Collivo"},
        {L"\\data\\my apps", L"/data/my apps/Collivo"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(records.CustomInstallDir(c.typed), c.expected) << Utils::ToUtf8(c.typed);
}

TEST_F(InstallRecordsTest, SkipsOldUninstaller) {
    std::filesystem::create_directories(m_scratch / "app");
    InstallRecords records;
    records.registryInstallPath = Path("app");
    const std::wstring ini = Path("app/set.ini");
    struct Case {
        const wchar_t* isOverride;  // null: no value
        const char* folder;
        bool skips;
    } cases[] = {
        {nullptr, "app", false}, {L"false", "app", true},    {L"False", "app", false},
        {L"true", "app", false}, {L"false", "other", false},
    };
    for (const auto& c : cases) {
        platform::WritePrivateProfileString(
            L"Uninstall", L"IsOverride",
            c.isOverride ? std::optional<std::wstring_view>(c.isOverride) : std::nullopt, ini);
        EXPECT_EQ(records.SkipsOldUninstaller(Path(c.folder)), c.skips)
            << (c.isOverride ? Utils::ToUtf8(c.isOverride) : "none") << " " << c.folder;
    }
}

TEST_F(InstallRecordsTest, WriteInstallSettingsMakesANewDeviceIdEachTime) {
    std::filesystem::create_directories(m_scratch / "app");
    InstallRecords records;
    records.WriteInstallSettings(Path("app"), L"collivo-installer");
    const std::wstring ini = Path("app/set.ini");
    auto get = [](const wchar_t* section, const wchar_t* key, const std::wstring& file) {
        return platform::GetPrivateProfileString(section, key, L"", 260, file);
    };
    EXPECT_EQ(get(L"Install", L"APPStore", ini), L"collivo-installer");
    EXPECT_EQ(get(L"Install", L"AppName", ini), L"Collivo");
    const std::wstring firstId = get(L"Install", L"DeviceID", ini);
    EXPECT_EQ(firstId.size(), 32u);
    const std::wstring analyticsIni = Path("config") + L"/OrvaneData/Collivo/OVAnalytics.ini";
    EXPECT_EQ(get(L"Install", L"OVAnalyticsIni", ini), analyticsIni);
    EXPECT_EQ(InstallRecords::DataDir(), Path("config") + L"/OrvaneData/Collivo");
    const std::wstring updateTime = get(L"Init", L"UpdateTime", analyticsIni);
    EXPECT_EQ(updateTime.size(), 19u) << Utils::ToUtf8(updateTime);

    records.WriteInstallSettings(Path("app"), L"collivo-installer");
    EXPECT_NE(get(L"Install", L"DeviceID", ini), firstId);
}

}  // namespace
