#include "platform/registry_store.h"
#include "tests/support/scratch_folder.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace {

using platform::RegistryKey;
using platform::RegStatus;

constexpr wchar_t kKeyPath[] = L"Software\\OrvaneSoft\\Collivo";

std::string Narrow(std::wstring_view text) {
    std::string out;
    platform::WideToMultiByte(platform::kCodePageUtf8, text, &out);
    return out;
}

// Points $XDG_CONFIG_HOME and $HOME into a fresh temporary folder, so the store of the user
// running the tests is never touched; both are restored afterwards.
class RegistryStoreTest : public testing::Test {
protected:
    void SetUp() override {
        Save("XDG_CONFIG_HOME", &m_savedConfig);
        Save("HOME", &m_savedHome);
        setenv("XDG_CONFIG_HOME", (m_dir + "/config").c_str(), 1);
        setenv("HOME", (m_dir + "/home").c_str(), 1);
        m_store = m_dir + "/config/OrvaneSoft/Collivo.reg";
    }
    void TearDown() override {
        Restore("XDG_CONFIG_HOME", m_savedConfig);
        Restore("HOME", m_savedHome);
    }

    std::string StoreContents() const {
        std::ifstream in(m_store, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void PutStore(const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(m_store).parent_path());
        std::ofstream(m_store, std::ios::binary) << bytes;
    }

    testing_support::ScratchFolder m_scratch;
    std::string m_dir = m_scratch.Path();
    std::string m_store;

private:
    static void Save(const char* name, std::optional<std::string>* saved) {
        const char* value = getenv(name);
        if (value != nullptr) *saved = value;
    }
    static void Restore(const char* name, const std::optional<std::string>& saved) {
        if (saved) {
            setenv(name, saved->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    std::optional<std::string> m_savedConfig;
    std::optional<std::string> m_savedHome;
};

TEST_F(RegistryStoreTest, StorePathFollowsTheEnvironment) {
    EXPECT_EQ(platform::RegistryStorePath(), m_store);
    setenv("XDG_CONFIG_HOME", (m_dir + "/config/").c_str(), 1);
    EXPECT_EQ(platform::RegistryStorePath(), m_store);
    // Relative or empty values do not count; the home folder's .config is used instead.
    for (const char* ignored : {"relative/config", ""}) {
        SCOPED_TRACE(ignored);
        setenv("XDG_CONFIG_HOME", ignored, 1);
        EXPECT_EQ(platform::RegistryStorePath(), m_dir + "/home/.config/OrvaneSoft/Collivo.reg");
    }
}

TEST_F(RegistryStoreTest, MissingKeyMissingValueAndEmptyValueDiffer) {
    RegistryKey key;
    EXPECT_EQ(RegistryKey::Open(kKeyPath, &key), RegStatus::kNotFound);  // no store yet
    EXPECT_FALSE(key.IsOpen());

    RegistryKey other;
    ASSERT_EQ(RegistryKey::Create(L"Software\\Other", &other), RegStatus::kOk);
    EXPECT_EQ(RegistryKey::Open(kKeyPath, &key), RegStatus::kNotFound);  // store, no key

    RegistryKey writer;
    ASSERT_EQ(RegistryKey::Create(kKeyPath, &writer), RegStatus::kOk);
    ASSERT_EQ(RegistryKey::Open(L"software\\orvanesoft\\COLLIVO", &key), RegStatus::kOk);
    std::wstring value = L"stale";
    EXPECT_EQ(key.QueryString(L"InstallPath", &value), RegStatus::kNotFound);
    EXPECT_EQ(value, L"");

    ASSERT_EQ(writer.SetString(L"InstallPath", L""), RegStatus::kOk);
    value = L"stale";
    EXPECT_EQ(key.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"");

    // The store is private to the user.
    struct stat st;
    ASSERT_EQ(stat(m_store.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((m_dir + "/config/OrvaneSoft").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(RegistryStoreTest, AwkwardValuesAndNamesRoundTrip) {
    struct Case {
        std::wstring name;
        std::wstring value;
    } cases[] = {
        {L"InstallPath", L"/home/ann/.local/opt/Collivo"},
        {L"Leading", L"  two blanks before"},
        {L"Trailing", L"a blank after "},
        {L"OnlyBlanks", L"   "},
        {L"DoubleQuoted", L"\"quoted\""},
        {L"SingleQuoted", L"'single'"},
        {L"LoneQuote", L"\""},
        {L"Equals", L"a=b=c"},
        {L"Semicolon", L";not a comment"},
        {L"Bracket", L"[Not a section]"},
        {L"Backslashes", L"C:\\Program Files\\Collivo\\"},
        {L"LooksEscaped", L"\\x41\\\\"},
        {L"LineBreaks", L"one\r\ntwo\nthree\r"},
        {L"Tab", L"\tindented"},
        {L"NonAscii", L"安装路径 Ωmega ✓ \U0001F600"},
        {L" name with blanks ", L"v1"},
        {L";semicolon name", L"v2"},
        {L"[bracket name", L"v3"},
        {L"a=b", L"v4"},
        {L"back\\slash", L"v5"},
        {L"名称", L"v6"},
        {L"line\nbreak", L"v7"},
    };
    {
        RegistryKey key;
        ASSERT_EQ(RegistryKey::Create(kKeyPath, &key), RegStatus::kOk);
        for (const auto& c : cases) {
            SCOPED_TRACE(Narrow(c.name));
            ASSERT_EQ(key.SetString(c.name, c.value), RegStatus::kOk);
        }
    }
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Open(kKeyPath, &key), RegStatus::kOk);
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        std::wstring value;
        EXPECT_EQ(key.QueryString(c.name, &value), RegStatus::kOk);
        EXPECT_EQ(value, c.value);
    }
    // One header and one line per value: nothing leaked into lines of its own.
    const std::string contents = StoreContents();
    EXPECT_EQ(static_cast<size_t>(std::count(contents.begin(), contents.end(), '\n')),
              std::size(cases) + 1);
    EXPECT_TRUE(contents.starts_with("[HKEY_CURRENT_USER\\Software\\OrvaneSoft\\Collivo]\n"))
        << contents;
}

TEST_F(RegistryStoreTest, ValueNamesIgnoreCase) {
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(kKeyPath, &key), RegStatus::kOk);
    ASSERT_EQ(key.SetString(L"UnInstallEp", L"/opt/Collivo/uninst.ep"), RegStatus::kOk);
    ASSERT_EQ(key.SetString(L"UNINSTALLEP", L"/srv/Collivo/uninst.ep"), RegStatus::kOk);
    std::wstring value;
    EXPECT_EQ(key.QueryString(L"uninstallep", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"/srv/Collivo/uninst.ep");
    EXPECT_EQ(StoreContents(),
              "[HKEY_CURRENT_USER\\Software\\OrvaneSoft\\Collivo]\n"
              "UnInstallEp=\"/srv/Collivo/uninst.ep\"\n");
}

TEST_F(RegistryStoreTest, DeleteValueKeepsTheOthers) {
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(kKeyPath, &key), RegStatus::kOk);
    ASSERT_EQ(key.SetString(L"InstallPath", L"/opt/Collivo"), RegStatus::kOk);
    ASSERT_EQ(key.SetString(L"UnInstallEp", L"/opt/Collivo/uninst.ep"), RegStatus::kOk);
    EXPECT_EQ(key.DeleteValue(L"installpath"), RegStatus::kOk);
    EXPECT_EQ(key.DeleteValue(L"InstallPath"), RegStatus::kNotFound);
    std::wstring value;
    EXPECT_EQ(key.QueryString(L"InstallPath", &value), RegStatus::kNotFound);
    EXPECT_EQ(key.QueryString(L"UnInstallEp", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"/opt/Collivo/uninst.ep");
}

TEST_F(RegistryStoreTest, KeysAreSeparateAndReadOnlyKeysRefuseWrites) {
    RegistryKey a, b;
    ASSERT_EQ(RegistryKey::Create(kKeyPath, &a), RegStatus::kOk);
    ASSERT_EQ(RegistryKey::Create(L"Software\\OrvaneSoft\\Collivo\\Sub", &b), RegStatus::kOk);
    ASSERT_EQ(a.SetString(L"InstallPath", L"a"), RegStatus::kOk);
    ASSERT_EQ(b.SetString(L"InstallPath", L"b"), RegStatus::kOk);
    std::wstring value;
    ASSERT_EQ(a.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"a");

    RegistryKey reader;
    ASSERT_EQ(RegistryKey::Open(kKeyPath, &reader), RegStatus::kOk);
    EXPECT_EQ(reader.SetString(L"InstallPath", L"c"), RegStatus::kFailed);
    EXPECT_EQ(reader.DeleteValue(L"InstallPath"), RegStatus::kFailed);
    ASSERT_EQ(a.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"a");

    RegistryKey closed;
    EXPECT_EQ(closed.QueryString(L"InstallPath", &value), RegStatus::kFailed);
}

TEST_F(RegistryStoreTest, InvalidNamesAreRefused) {
    const std::wstring paths[] = {
        L"",          L"\\Software\\X", L"Software\\X\\", L"Software\\\\X", L"Software\\ X",
        L"Soft]ware", L"Soft\nware"};
    for (const auto& path : paths) {
        SCOPED_TRACE(Narrow(path));
        RegistryKey key;
        EXPECT_EQ(RegistryKey::Create(path, &key), RegStatus::kFailed);
        EXPECT_FALSE(key.IsOpen());
    }
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(kKeyPath, &key), RegStatus::kOk);
    EXPECT_EQ(key.SetString(L"", L"default value"), RegStatus::kFailed);
}

TEST_F(RegistryStoreTest, HandEditedStoreIsReadLeniently) {
    PutStore(
        "; edited by hand\r\n"
        "[HKEY_CURRENT_USER\\Software\\OrvaneSoft\\Collivo]\r\n"
        "InstallPath = C:\\Program Files\\Collivo \r\n"
        "UnInstallEp=\"\\\\server\\share\\uninst.ep\"\r\n");
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Open(kKeyPath, &key), RegStatus::kOk);
    std::wstring value;
    ASSERT_EQ(key.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"C:\\Program Files\\Collivo");
    ASSERT_EQ(key.QueryString(L"UnInstallEp", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"\\server\\share\\uninst.ep");
}

}  // namespace
