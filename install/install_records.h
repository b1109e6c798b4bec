// InstallRecords: the records that tie one installation of Collivo to the next — the per-user
// registry key (install folder, uninstaller path), "set.ini" in the install folder and the
// update time in the analytics settings file — and the install folder they suggest.
// Owned by the main window and used on its thread; the record texts are plain fields.
#pragma once

#include <functional>
#include <string>

#include "sys/accounts.h"

class InstallRecords {
public:
    // Read from the registry by LoadInstallRecord.
    std::wstring registryInstallPath;
    std::wstring registryUninstallPath;
    // Reported by the package ("InstPath=", "UninstEp="); empty until it reports them.
    std::wstring reportedInstallPath;
    std::wstring reportedUninstallPath;
    // The two privilege probes of DefaultInstallDir, handed on to the package.
    bool consoleUserIsAdmin = false;
    bool processIsAdmin = false;
    // How DefaultInstallDir runs them: whether the console user has administrator privilege,
    // and whether this process is in the Administrators group. Tests replace them.
    struct PrivilegeProbes {
        std::function<bool()> consoleUserIsAdmin = &ConsoleUserIsAdmin;
        std::function<bool()> processIsAdmin = &Utils::IsUserInAdminGroup;
    } probes;

    static constexpr const wchar_t* kRegistryKey = L"Software\\OrvaneSoft\\Collivo";

    // Reads "InstallPath" and "UnInstallEp"; without the latter the uninstaller is
    // "uninst.ep" in the install folder. A missing key leaves both empty.
    void LoadInstallRecord();
    // Writes the install folder (the reported one, else `chosenFolder`) and, when that file
    // exists, the uninstaller path (the reported one, else "uninst.ep" in the folder).
    void SaveInstallRecord(const std::wstring& chosenFolder) const;
    // An installation exists when the registry names an install folder.
    bool HasInstallation() const { return !registryInstallPath.empty(); }

    // The folder proposed to the user; also runs the two privilege probes.
    std::wstring DefaultInstallDir();
    bool IsDefaultInstallDir(const std::wstring& folder);
    // The folder typed on the custom page, with "Collivo" appended unless it is the default.
    std::wstring CustomInstallDir(const std::wstring& typed);
    // True when the old uninstaller must not run for an installation into `folder`: the same
    // folder as the registered one, whose "set.ini" says "IsOverride" is "false".
    bool SkipsOldUninstaller(const std::wstring& folder) const;

    static std::wstring DataDir();
    // Writes "set.ini" in the install folder (the reported one, else `chosenFolder`) and the
    // update time in the analytics settings file; `exeFileName` is the installer's own name.
    void WriteInstallSettings(const std::wstring& chosenFolder,
                              const std::wstring& exeFileName) const;

    // Whether two folders are the same folder, compared by their paths.
    static bool SameFolder(const std::wstring& a, const std::wstring& b);

private:
    static bool ConsoleUserIsAdmin();
};
