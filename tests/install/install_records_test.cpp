#include "install/install_records.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// windows.h first: shlobj.h depends on its types.
#include <shlobj.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/ini_file.h"
#include "platform/known_folders.h"
#include "platform/paths.h"
#include "platform/registry_store.h"
#include "sys/text.h"
#include "tests/install/saved_registry_key.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_folder.h"

namespace {

using testing_support::ScratchFolder;

// A path written with "/" in the system's own separators.
std::wstring Native(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', static_cast<wchar_t>(platform::kPathSeparator));
    return path;
}

// Points the per-user folders into a scratch folder and starts each test without a record: on
// Linux through the environment (the registry is a file under the configuration folder), on
// Windows through the user's shell folders, with the registry's key of the records saved first
// and put back afterwards.
class InstallRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        m_records.Remove();
        // The shell names only a folder that exists.
        const std::wstring appData = Path("config");
        MakeFolder("config");
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(appData.c_str()),
                       static_cast<DWORD>((appData.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        ASSERT_EQ(platform::AppDataFolder(), Utils::ToUtf8(appData));
#else
        m_environment.Set("HOME", m_scratch / "home");
        m_environment.Set("XDG_CONFIG_HOME", m_scratch / "config");
#endif
    }
    // `name` with "/" between its parts, inside the scratch folder.
    std::wstring Path(const std::string& name) const {
        return Utils::FromUtf8(m_scratch.Path()) + Native(L"/" + Utils::FromUtf8(name));
    }
    void MakeFolder(const std::string& name) const {
        std::filesystem::create_directories(platform::FsPath(Utils::ToUtf8(Path(name))));
    }
    void Register(const wchar_t* name, const std::wstring& value) {
        platform::RegistryKey key;
        ASSERT_EQ(platform::RegistryKey::Create(InstallRecords::kRegistryKey, &key),
                  platform::RegStatus::kOk);
        key.SetString(name, value);
    }
    static void Touch(const std::wstring& path) {
        std::ofstream(platform::FsPath(Utils::ToUtf8(path))) << "x";
    }

    ScratchFolder m_scratch;
#ifdef _WIN32
    static constexpr const wchar_t* kShellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    // Destroyed in the reverse order: the records' key first, then its parent when it was new.
    install_test::SavedRegistryKey m_vendor{L"Software\\OrvaneSoft"};
    install_test::SavedRegistryKey m_records{InstallRecords::kRegistryKey};
    install_test::SavedRegistryKey m_shellFolders{kShellFolders};
    // Where the shell copies the paths it has looked up, for old programs.
    install_test::SavedRegistryKey m_shellFoldersCopy{
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};
#else
    testing_support::ScopedEnvironment m_environment;
#endif
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
    EXPECT_EQ(records.registryUninstallPath, Path("app/uninst.ep"));

    Register(L"UnInstallEp", Path("elsewhere/un.ep"));
    records.LoadInstallRecord();
    EXPECT_EQ(records.registryUninstallPath, Path("elsewhere/un.ep"));
}

TEST_F(InstallRecordsTest, SaveInstallRecordWritesTheUninstallerOnlyWhenItExists) {
    MakeFolder("app");
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
    MakeFolder("reported");
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
    EXPECT_EQ(fresh.substr(fresh.size() - 8), Native(L"/Collivo"));

    MakeFolder("old");
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
        {true, true, Path("config/orvane/Collivo")},
        {true, false, programFiles + Native(L"/Collivo")},
        {false, true, programFiles + Native(L"/Collivo")},
        {false, false, programFiles + Native(L"/Collivo")},
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

    // The real probes: the tests run as an administrator (root; under Wine, the prefix's user),
    // at the console and in-process.
#ifdef _WIN32
    if (!IsUserAnAdmin()) GTEST_SKIP() << "needs an administrator";
#else
    if (geteuid() != 0) GTEST_SKIP() << "needs an administrator";
#endif
    InstallRecords records;
    EXPECT_EQ(records.DefaultInstallDir(), Path("config/orvane/Collivo"));
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
        {defaultDir + Native(L"/"), defaultDir},
        // Either system's separators come out as this one's.
        {L"/data/apps", Native(L"/data/apps/Collivo")},
        {L"/data/apps/", Native(L"/data/apps/Collivo")},
        {L"\\data\\my apps", Native(L"/data/my apps/Collivo")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(records.CustomInstallDir(c.typed), c.expected) << Utils::ToUtf8(c.typed);
}

TEST_F(InstallRecordsTest, SkipsOldUninstaller) {
    MakeFolder("app");
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
    MakeFolder("app");
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
    const std::wstring analyticsIni = Path("config/OrvaneData/Collivo/OVAnalytics.ini");
    EXPECT_EQ(get(L"Install", L"OVAnalyticsIni", ini), analyticsIni);
    EXPECT_EQ(InstallRecords::DataDir(), Path("config/OrvaneData/Collivo"));
    const std::wstring updateTime = get(L"Init", L"UpdateTime", analyticsIni);
    EXPECT_EQ(updateTime.size(), 19u) << Utils::ToUtf8(updateTime);

    records.WriteInstallSettings(Path("app"), L"collivo-installer");
    EXPECT_NE(get(L"Install", L"DeviceID", ini), firstId);
}

}  // namespace
