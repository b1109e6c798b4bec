#include "install/download_installer.h"

#include <filesystem>
#include <mutex>

#include "download/downloader_factory.h"
#include "platform/paths.h"
#include "platform/process_snapshot.h"
#include "sys/folders.h"
#include "sys/log.h"
#include "sys/text.h"

namespace {

// The package path of the last pass that failed to download or ended its installation,
// shared by every controller of the process.
std::mutex g_lastPackageMutex;
std::wstring g_lastPackagePath;

void RemoveFile(const std::wstring& path) {
    std::error_code ignored;
    std::filesystem::remove(platform::FsPath(Utils::ToUtf8(path)), ignored);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(platform::kWidePathSeparators);
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

CDownloadInstaller::CDownloadInstaller(StageCallback callback,
                                       DownloadInstallerSettings stageSettings)
    : windowCallback(std::move(callback)), settings(std::move(stageSettings)) {}

CDownloadInstaller::~CDownloadInstaller() {
    // Both runners stop first: a downloader worker may be held in the package runner's Start,
    // which waits for the run of the last pass, whose package may hang after its verdict.
    if (uninstaller) uninstaller->Stop();
    if (packageRunner) packageRunner->Stop();
    // The uninstaller runner goes first: its success handler starts the downloader, so the
    // downloader must outlive its worker. The downloader's success handler starts the package
    // runner, so the runner outlives the downloader's workers.
    uninstaller.reset();
    downloader.reset();
    packageRunner.reset();
}

void CDownloadInstaller::Configure(std::wstring newUrl, std::wstring newPreviousUninstaller,
                                   std::wstring newInstallDir, bool newDesktopShortcut,
                                   bool newQuickLaunchShortcut, bool newConsoleUserIsAdmin,
                                   bool newProcessIsAdmin, std::wstring newInstallLanguage) {
    url = std::move(newUrl);
    previousUninstaller = std::move(newPreviousUninstaller);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        installDir = std::move(newInstallDir);
    }
    desktopShortcut = newDesktopShortcut;
    quickLaunchShortcut = newQuickLaunchShortcut;
    consoleUserIsAdmin = newConsoleUserIsAdmin;
    processIsAdmin = newProcessIsAdmin;
    installLanguage = std::move(newInstallLanguage);
}

void CDownloadInstaller::Start() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        packagePath =
            installDir + static_cast<wchar_t>(platform::kPathSeparator) + L"__Package_Collivo.exe";
    }
    LOG_TRACE(L"CDownloadInstaller::Start", L"DL_TYPE=%d", settings.downloadType);

    // Made on the first start and kept: later passes reuse the URL and package path they were
    // made with.
    if (!downloader) {
        DownloadOptions options;
        options.curlReady = settings.curlReady;
        downloader = CreateDownloader(
            settings.downloadType,
            [this](int code, double value, const wchar_t* text) {
                DownloadNotify(code, value, text);
            },
            url, packagePath, options);
    }
    if (!packageRunner) {
        packageRunner = std::make_unique<CInstaller>(
            [this](int code, double value, const wchar_t* text) {
                InstallNotify(code, value, text);
            },
            L"\"" + packagePath + L"\"", installDir);
    }
    packageRunner->SetInstallDir(installDir);
    packageRunner->SetDesktopShortcut(desktopShortcut);
    packageRunner->SetQuickLaunchShortcut(quickLaunchShortcut);
    packageRunner->SetConsoleUserIsAdmin(consoleUserIsAdmin);
    packageRunner->SetProcessIsAdmin(processIsAdmin);
    packageRunner->SetInstallLanguage(installLanguage);
    packageRunner->SetExtraArguments(settings.instCmd);

    if (previousUninstaller.empty() || !platform::PathExists(Utils::ToUtf8(previousUninstaller))) {
        downloader->Start();
        return;
    }

    // The earlier pass's runner goes first (ending an uninstaller of it that still runs), so
    // that its copy is gone before the new one is made.
    uninstaller.reset();
    uninstaller = std::make_unique<UninstallRunner>(
        [this](int code, double value, const wchar_t* text) { UninstallNotify(code, value, text); },
        UninstallerCopy(previousUninstaller), FolderOf(previousUninstaller));
    // On the runner's worker, which the controller's destruction can end, rather than here on
    // the window's thread, which would stay held for as long as the product stays open.
    if (settings.insNew)
        uninstaller->HoldBackWhile([] { return FindProcessByName(L"Collivo.exe") != 0; });
    uninstaller->Start();
}

void CDownloadInstaller::DownloadNotify(int code, double value, const wchar_t* text) {
    const std::wstring package = code == 1004 ? PackagePath() : std::wstring();
    if (windowCallback) windowCallback(code, value, text);
    const wchar_t* kLabel = L"CDownloadInstaller::DownloadNotify";
    switch (code) {
        case 1001:
            Utils::CreateDirectoryRecursive(InstallDir());
            LOG_TRACE(kLabel, L"DL_CODE_START");
            break;
        case 1002:
            LOG_TRACE(kLabel, L"DL_CODE_PROGRESS");
            break;
        case 1003:
            LOG_TRACE(kLabel, L"DOWNLOAD_SUCCESS");
            packageRunner->Start();
            LOG_TRACE(kLabel, L"DL_CODE_SUCCESS");
            break;
        case 1004:
            CleanUpPackage(package);
            LOG_TRACE(kLabel, L"DL_CODE_FAIL");
            break;
        case 1005:
            LOG_TRACE(kLabel, L"DL_CODE_RETRY");
            downloader->Start();
            break;
        default:
            break;
    }
}

void CDownloadInstaller::UninstallNotify(int code, double value, const wchar_t* text) {
    if (windowCallback) windowCallback(code, value, text);
    const wchar_t* kLabel = L"CDownloadInstaller::UninstallNotify";
    switch (code) {
        case 5002:
            LOG_TRACE(kLabel, L"UNIST_CODE_PROGRESS");
            break;
        case 5003:
            LOG_TRACE(kLabel, L"UNIST_CODE_SUCCESS");
            downloader->Start();
            break;
        case 5004:
            LOG_TRACE(kLabel, L"UNIST_CODE_FAIL");
            break;
        case 5005:
            LOG_TRACE(kLabel, L"UNIST_CODE_ERROR");
            break;
        default:
            break;
    }
}

void CDownloadInstaller::InstallNotify(int code, double value, const wchar_t* text) {
    const std::wstring package = code == 2003 || code == 2004 ? PackagePath() : std::wstring();
    if (windowCallback) windowCallback(code, value, text);
    const wchar_t* kLabel = L"CDownloadInstaller::InstallNotify";
    switch (code) {
        case 2001:
            LOG_TRACE(kLabel, L"IST_CODE_START");
            break;
        case 2002:
            LOG_TRACE(kLabel, L"DL_CODE_SUCCESS");  // the download's marker, as it always was
            break;
        case 2003:
            CleanUpPackage(package);
            LOG_TRACE(kLabel, L"INSTALL_SUCCESS");
            break;
        case 2004:
            CleanUpPackage(package);
            LOG_TRACE(kLabel, L"IST_CODE_FAIL");
            break;
        default:
            break;
    }
}

void CDownloadInstaller::CleanUpPackage(const std::wstring& package) {
    RemoveFile(package);
    std::lock_guard<std::mutex> lock(g_lastPackageMutex);
    if (!g_lastPackagePath.empty()) RemoveFile(g_lastPackagePath);
    g_lastPackagePath = package;
}

std::wstring CDownloadInstaller::PackagePath() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return packagePath;
}

std::wstring CDownloadInstaller::InstallDir() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return installDir;
}

uint32_t CDownloadInstaller::FindProcessByName(const std::wstring& name) {
    const std::string narrow = Utils::ToUtf8(name);
    for (const platform::ProcessEntry& entry : platform::SnapshotProcesses())
        if (entry.exeName == narrow) return entry.id;
    return 0;
}
