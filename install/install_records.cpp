#include "install/install_records.h"

#include <cwchar>
#include <filesystem>

#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/known_folders.h"
#include "platform/paths.h"
#include "platform/registry_store.h"
#include "sys/accounts.h"
#include "sys/folders.h"
#include "sys/guid.h"
#include "sys/text.h"

namespace {

constexpr wchar_t kSeparator = static_cast<wchar_t>(platform::kPathSeparator);
// The separator of the other system, which a user may type as well.
constexpr wchar_t kOtherSeparator[] = {kSeparator == L'/' ? L'\\' : L'/', L'\0'};

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == kSeparator) return folder + name;
    return folder + kSeparator + name;
}

bool FileExists(const std::wstring& path) {
    return !path.empty() && platform::PathExists(Utils::ToUtf8(path));
}

std::wstring Wide(const std::string& text) {
    return Utils::FromUtf8(text);
}

}  // namespace

void InstallRecords::LoadInstallRecord() {
    registryInstallPath.clear();
    registryUninstallPath.clear();
    platform::RegistryKey key;
    if (platform::RegistryKey::Open(kRegistryKey, &key) != platform::RegStatus::kOk) return;
    key.QueryString(L"InstallPath", &registryInstallPath);
    key.QueryString(L"UnInstallEp", &registryUninstallPath);
    if (registryUninstallPath.empty() && !registryInstallPath.empty())
        registryUninstallPath = Join(registryInstallPath, L"uninst.ep");
}

void InstallRecords::SaveInstallRecord(const std::wstring& chosenFolder) const {
    const std::wstring installPath =
        reportedInstallPath.empty() ? chosenFolder : reportedInstallPath;
    platform::RegistryKey key;
    if (platform::RegistryKey::Create(kRegistryKey, &key) != platform::RegStatus::kOk) return;
    key.SetString(L"InstallPath", installPath);
    const std::wstring uninstallPath =
        reportedUninstallPath.empty() ? Join(installPath, L"uninst.ep") : reportedUninstallPath;
    if (FileExists(uninstallPath)) key.SetString(L"UnInstallEp", uninstallPath);
}

bool InstallRecords::ConsoleUserIsAdmin() {
    std::wstring consoleUser;
    return Utils::GetConsoleUserName(consoleUser) && Utils::IsUserAdmin(consoleUser);
}

std::wstring InstallRecords::DefaultInstallDir() {
    consoleUserIsAdmin = probes.consoleUserIsAdmin();
    processIsAdmin = probes.processIsAdmin();

    if (!registryInstallPath.empty() && FileExists(registryUninstallPath))
        return registryInstallPath;

    std::wstring base;
    const auto appData = platform::AppDataFolder();
    if (consoleUserIsAdmin && processIsAdmin && appData) {
        base = Join(Wide(*appData), L"orvane");
    } else if (const auto programs = platform::ProgramFilesFolder()) {
        base = Wide(*programs);
    }
    return Join(base, L"Collivo");
}

bool InstallRecords::SameFolder(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || b.empty()) return false;
    // Both taken as folders: a trailing separator or a "." step changes nothing.
    const std::filesystem::path left =
        platform::FsPath(Utils::ToUtf8(a) + platform::kPathSeparator).lexically_normal();
    const std::filesystem::path right =
        platform::FsPath(Utils::ToUtf8(b) + platform::kPathSeparator).lexically_normal();
    return left.lexically_relative(right) == ".";
}

bool InstallRecords::IsDefaultInstallDir(const std::wstring& folder) {
    return SameFolder(DefaultInstallDir(), folder);
}

std::wstring InstallRecords::CustomInstallDir(const std::wstring& typed) {
    if (IsDefaultInstallDir(typed)) return DefaultInstallDir();
    // Separators of the other system typed by the user become native ones.
    return Join(Utils::ReplaceAll(typed, kOtherSeparator, std::wstring(1, kSeparator)), L"Collivo");
}

bool InstallRecords::SkipsOldUninstaller(const std::wstring& folder) const {
    if (!SameFolder(registryInstallPath, folder)) return false;
    const std::wstring value = platform::GetPrivateProfileString(
        L"Uninstall", L"IsOverride", L"true", 20, Join(folder, L"set.ini"));
    return value == L"false";
}

std::wstring InstallRecords::DataDir() {
    const auto appData = platform::AppDataFolder();
    const std::wstring base = appData ? Wide(*appData) : Wide(platform::CommonDocumentsFolder());
    return Join(Join(base, L"OrvaneData"), L"Collivo");
}

void InstallRecords::WriteInstallSettings(const std::wstring& chosenFolder,
                                          const std::wstring& exeFileName) const {
    const std::wstring installPath =
        reportedInstallPath.empty() ? chosenFolder : reportedInstallPath;
    const std::wstring settingsFile = Join(installPath, L"set.ini");
    platform::WritePrivateProfileString(L"Install", L"APPStore", exeFileName, settingsFile);
    platform::WritePrivateProfileString(L"Install", L"AppName", L"Collivo", settingsFile);
    platform::WritePrivateProfileString(L"Install", L"DeviceID", Utils::NewGuidString(),
                                        settingsFile);

    const std::wstring dataDir = DataDir();
    if (!Utils::CreateDirectoryRecursive(dataDir)) return;
    const std::wstring analyticsIni = Join(dataDir, L"OVAnalytics.ini");
    platform::WritePrivateProfileString(L"Install", L"OVAnalyticsIni", analyticsIni, settingsFile);

    const platform::LocalTime t = platform::LocalTimeNow();
    wchar_t updateTime[128];
    std::swprintf(updateTime, 128, L"%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    platform::WritePrivateProfileString(L"Init", L"UpdateTime", updateTime, analyticsIni);
}
