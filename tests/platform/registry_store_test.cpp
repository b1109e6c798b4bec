#include "platform/registry_store.h"
#include "tests/support/scratch_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/support/scoped_environment.h"

namespace {

using platform::RegistryKey;
using platform::RegStatus;

std::string Narrow(std::wstring_view text) {
    std::string out;
    platform::WideToMultiByte(platform::kCodePageUtf8, text, &out);
    return out;
}

// Every test works under a key of its own, "Software\OrvaneSoft\CollivoTests\<process>-<n>":
// on Windows in the real per-user registry, removed afterwards with everything below it; on
// Linux in a store that $XDG_CONFIG_HOME and $HOME point into a scratch folder, so the store
// of the user running the tests is never touched.
class RegistryStoreTest : public testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
#ifdef _WIN32
        const unsigned long process = GetCurrentProcessId();
#else
        const unsigned long process = static_cast<unsigned long>(getpid());
#endif
        m_key = L"Software\\OrvaneSoft\\CollivoTests\\" + std::to_wstring(process) + L"-" +
                std::to_wstring(counter++);
        m_collivo = m_key + L"\\Collivo";
#ifndef _WIN32
        m_environment.Set("XDG_CONFIG_HOME", m_dir + "/config");
        m_environment.Set("HOME", m_dir + "/home");
        m_store = m_dir + "/config/OrvaneSoft/Collivo.reg";
#endif
    }
    void TearDown() override {
#ifdef _WIN32
        // The key with everything below it, then the parents the test made, when empty.
        RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, m_key.c_str());
        DeleteIfEmpty(L"Software\\OrvaneSoft\\CollivoTests");
        DeleteIfEmpty(L"Software\\OrvaneSoft");
#endif
    }

#ifdef _WIN32
    static void DeleteIfEmpty(const wchar_t* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        DWORD subKeys = 0, values = 0;
        const LSTATUS status =
            RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        if (status == ERROR_SUCCESS && subKeys == 0 && values == 0)
            RegDeleteKeyW(HKEY_CURRENT_USER, path);
    }
#endif

    // Removes the key the way another program would, behind the back of any open key.
    void RemoveKeyFromOutside(const std::wstring& path) {
#ifdef _WIN32
        ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
        RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());  // where the tree call left the key
        HKEY gone = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &gone),
                  ERROR_FILE_NOT_FOUND);
#else
        (void)path;
        ASSERT_TRUE(std::filesystem::remove(m_store));
#endif
    }

#ifndef _WIN32
    std::string StoreContents() const {
        std::ifstream in(m_store, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void PutStore(const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(m_store).parent_path());
        std::ofstream(m_store, std::ios::binary) << bytes;
    }
    std::string StoreHeader() const {
        return "[HKEY_CURRENT_USER\\" + Narrow(m_collivo) + "]\n";
    }
#endif

    testing_support::ScratchFolder m_scratch;
    std::string m_dir = m_scratch.Path();
    std::wstring m_key;      // this test's own key
    std::wstring m_collivo;  // the key the tests read and write, below it
#ifndef _WIN32
    testing_support::ScopedEnvironment m_environment;
    std::string m_store;
#endif
};

#ifndef _WIN32
// Linux only: Windows keeps the registry itself, there is no store file.
TEST_F(RegistryStoreTest, StorePathFollowsTheEnvironment) {
    EXPECT_EQ(platform::RegistryStorePath(), m_store);
    m_environment.Set("XDG_CONFIG_HOME", m_dir + "/config/");
    EXPECT_EQ(platform::RegistryStorePath(), m_store);
    // Relative or empty values do not count; the home folder's .config is used instead.
    for (const char* ignored : {"relative/config", ""}) {
        SCOPED_TRACE(ignored);
        m_environment.Set("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(platform::RegistryStorePath(), m_dir + "/home/.config/OrvaneSoft/Collivo.reg");
    }
}
#endif

TEST_F(RegistryStoreTest, MissingKeyMissingValueAndEmptyValueDiffer) {
    RegistryKey key;
    EXPECT_EQ(RegistryKey::Open(m_collivo, &key), RegStatus::kNotFound);  // nothing yet
    EXPECT_FALSE(key.IsOpen());

    RegistryKey other;
    ASSERT_EQ(RegistryKey::Create(m_key + L"\\Other", &other), RegStatus::kOk);
    EXPECT_EQ(RegistryKey::Open(m_collivo, &key), RegStatus::kNotFound);  // a sibling only

    RegistryKey writer;
    ASSERT_EQ(RegistryKey::Create(m_collivo, &writer), RegStatus::kOk);
    std::wstring otherCase = m_collivo;
    std::transform(otherCase.begin(), otherCase.end(), otherCase.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    ASSERT_EQ(RegistryKey::Open(otherCase, &key), RegStatus::kOk);
    std::wstring value = L"stale";
    EXPECT_EQ(key.QueryString(L"InstallPath", &value), RegStatus::kNotFound);
    EXPECT_EQ(value, L"");

    ASSERT_EQ(writer.SetString(L"InstallPath", L""), RegStatus::kOk);
    value = L"stale";
    EXPECT_EQ(key.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"");

#ifndef _WIN32
    // Linux only: the store is a file private to the user (the registry guards itself).
    struct stat st;
    ASSERT_EQ(stat(m_store.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((m_dir + "/config/OrvaneSoft").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
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
        ASSERT_EQ(RegistryKey::Create(m_collivo, &key), RegStatus::kOk);
        for (const auto& c : cases) {
            SCOPED_TRACE(Narrow(c.name));
            ASSERT_EQ(key.SetString(c.name, c.value), RegStatus::kOk);
        }
    }
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Open(m_collivo, &key), RegStatus::kOk);
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        std::wstring value;
        EXPECT_EQ(key.QueryString(c.name, &value), RegStatus::kOk);
        EXPECT_EQ(value, c.value);
    }
#ifndef _WIN32
    // Linux only, the store's file: one header and one line per value, nothing leaked into
    // lines of its own.
    const std::string contents = StoreContents();
    EXPECT_EQ(static_cast<size_t>(std::count(contents.begin(), contents.end(), '\n')),
              std::size(cases) + 1);
    EXPECT_TRUE(contents.starts_with(StoreHeader())) << contents;
#endif
}

TEST_F(RegistryStoreTest, ValueNamesIgnoreCase) {
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(m_collivo, &key), RegStatus::kOk);
    ASSERT_EQ(key.SetString(L"UnInstallEp", L"/opt/Collivo/uninst.ep"), RegStatus::kOk);
    ASSERT_EQ(key.SetString(L"UNINSTALLEP", L"/srv/Collivo/uninst.ep"), RegStatus::kOk);
    std::wstring value;
    EXPECT_EQ(key.QueryString(L"uninstallep", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"/srv/Collivo/uninst.ep");
    EXPECT_EQ(key.DeleteValue(L"UninstallEP"), RegStatus::kOk);
    EXPECT_EQ(key.QueryString(L"UnInstallEp", &value), RegStatus::kNotFound);
#ifndef _WIN32
    ASSERT_EQ(key.SetString(L"UnInstallEp", L"/opt/Collivo/uninst.ep"), RegStatus::kOk);
    ASSERT_EQ(key.SetString(L"UNINSTALLEP", L"/srv/Collivo/uninst.ep"), RegStatus::kOk);
    // Linux only, the store's file: the second write replaced the first line.
    EXPECT_EQ(StoreContents(), StoreHeader() + "UnInstallEp=\"/srv/Collivo/uninst.ep\"\n");
#endif
}

TEST_F(RegistryStoreTest, DeleteValueKeepsTheOthers) {
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(m_collivo, &key), RegStatus::kOk);
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
    ASSERT_EQ(RegistryKey::Create(m_collivo, &a), RegStatus::kOk);
    ASSERT_EQ(RegistryKey::Create(m_collivo + L"\\Sub", &b), RegStatus::kOk);
    ASSERT_EQ(a.SetString(L"InstallPath", L"a"), RegStatus::kOk);
    ASSERT_EQ(b.SetString(L"InstallPath", L"b"), RegStatus::kOk);
    std::wstring value;
    ASSERT_EQ(a.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"a");

    RegistryKey reader;
    ASSERT_EQ(RegistryKey::Open(m_collivo, &reader), RegStatus::kOk);
    EXPECT_EQ(reader.SetString(L"InstallPath", L"c"), RegStatus::kFailed);
    EXPECT_EQ(reader.DeleteValue(L"InstallPath"), RegStatus::kFailed);
    ASSERT_EQ(a.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"a");

    RegistryKey closed;
    EXPECT_EQ(closed.QueryString(L"InstallPath", &value), RegStatus::kFailed);
}

TEST_F(RegistryStoreTest, CopiesReadTheSameKeyAfterTheOriginalIsGone) {
    RegistryKey copy;
    {
        RegistryKey key;
        ASSERT_EQ(RegistryKey::Create(m_collivo, &key), RegStatus::kOk);
        ASSERT_EQ(key.SetString(L"InstallPath", L"kept"), RegStatus::kOk);
        copy = key;
        RegistryKey moved = std::move(key);
        ASSERT_TRUE(moved.IsOpen());
    }
    std::wstring value;
    ASSERT_TRUE(copy.IsOpen());
    EXPECT_EQ(copy.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"kept");
    EXPECT_EQ(copy.SetString(L"InstallPath", L"again"), RegStatus::kOk);
}

TEST_F(RegistryStoreTest, KeyRemovedFromOutsideReadsAsMissing) {
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(m_collivo, &key), RegStatus::kOk);
    ASSERT_EQ(key.SetString(L"InstallPath", L"C:\\Collivo"), RegStatus::kOk);
    RemoveKeyFromOutside(m_collivo);
    std::wstring value = L"stale";
    EXPECT_EQ(key.QueryString(L"InstallPath", &value), RegStatus::kNotFound);
    EXPECT_EQ(value, L"");
    RegistryKey reopened;
    EXPECT_EQ(RegistryKey::Open(m_collivo, &reopened), RegStatus::kNotFound);
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
        EXPECT_EQ(RegistryKey::Open(path, &key), RegStatus::kFailed);
    }
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(m_collivo, &key), RegStatus::kOk);
    EXPECT_EQ(key.SetString(L"", L"default value"), RegStatus::kFailed);
    std::wstring value;
    EXPECT_EQ(key.QueryString(L"", &value), RegStatus::kFailed);
}

#ifdef _WIN32
// Windows only: values of other types than REG_SZ exist only in the registry.
TEST_F(RegistryStoreTest, ExpandableTextIsReadAsItIsAndOtherTypesFail) {
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Create(m_collivo, &key), RegStatus::kOk);
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, m_collivo.c_str(), 0, KEY_SET_VALUE, &raw),
              ERROR_SUCCESS);
    const auto set = [raw](const wchar_t* name, DWORD type, const void* data, DWORD size) {
        return RegSetValueExW(raw, name, 0, type, static_cast<const BYTE*>(data), size);
    };
    static constexpr wchar_t kExpandable[] = L"%ProgramFiles%\\Collivo";
    static constexpr wchar_t kUnterminated[] = {L'a', L'b', L'c'};
    const DWORD number = 7;
    ASSERT_EQ(set(L"Expandable", REG_EXPAND_SZ, kExpandable, sizeof kExpandable), ERROR_SUCCESS);
    ASSERT_EQ(set(L"Unterminated", REG_SZ, kUnterminated, sizeof kUnterminated), ERROR_SUCCESS);
    ASSERT_EQ(set(L"Number", REG_DWORD, &number, sizeof number), ERROR_SUCCESS);
    ASSERT_EQ(set(L"NoBytes", REG_SZ, nullptr, 0), ERROR_SUCCESS);
    RegCloseKey(raw);

    struct Case {
        const wchar_t* name;
        RegStatus status;
        std::wstring value;
    } cases[] = {
        {L"Expandable", RegStatus::kOk, kExpandable},
        {L"Unterminated", RegStatus::kOk, L"abc"},
        {L"NoBytes", RegStatus::kOk, L""},
        {L"Number", RegStatus::kFailed, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        std::wstring value = L"stale";
        EXPECT_EQ(key.QueryString(c.name, &value), c.status);
        EXPECT_EQ(value, c.value);
    }
}
#else
// Linux only: the store's file, edited by hand.
TEST_F(RegistryStoreTest, HandEditedStoreIsReadLeniently) {
    PutStore(
        "; edited by hand\r\n"
        "[HKEY_CURRENT_USER\\" +
        Narrow(m_collivo) +
        "]\r\n"
        "InstallPath = C:\\Program Files\\Collivo \r\n"
        "UnInstallEp=\"\\\\server\\share\\uninst.ep\"\r\n");
    RegistryKey key;
    ASSERT_EQ(RegistryKey::Open(m_collivo, &key), RegStatus::kOk);
    std::wstring value;
    ASSERT_EQ(key.QueryString(L"InstallPath", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"C:\\Program Files\\Collivo");
    ASSERT_EQ(key.QueryString(L"UnInstallEp", &value), RegStatus::kOk);
    EXPECT_EQ(value, L"\\server\\share\\uninst.ep");
}
#endif

}  // namespace
