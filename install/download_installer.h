// CDownloadInstaller: carries one installation through its stages — the old uninstaller when
// an earlier installation left one, the download of the package into the target folder, and
// the package run. Each worker's notifications go first, unchanged, to the window's callback,
// then the controller takes its own step.
//
// Configure and Start run on the window's thread; the handlers run on the workers' threads
// (downloader, uninstaller runner, package runner). Destruction ends a package or uninstaller
// still running (and a wait for the product to close) and waits for every worker.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "download/downloader.h"
#include "install/installer.h"
#include "install/uninstall_runner.h"
#include "sys/stage_callback.h"

// What the controller takes from the installer's settings; fixed for the controller's life.
struct DownloadInstallerSettings {
    int downloadType = 1;   // DownloadType: which downloader fetches the package
    bool insNew = false;    // InsNew: the uninstaller waits until the product has closed
    std::wstring instCmd;   // InstCmd: arguments added to the package's command line
    bool curlReady = true;  // CurlReady: libcurl's global initialisation succeeded
};

class CDownloadInstaller {
public:
    explicit CDownloadInstaller(StageCallback windowCallback,
                                DownloadInstallerSettings settings = {});
    ~CDownloadInstaller();
    CDownloadInstaller(const CDownloadInstaller&) = delete;
    CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

    // The inputs of the next pass; `previousUninstaller` is empty when no uninstall must run.
    void Configure(std::wstring url, std::wstring previousUninstaller, std::wstring installDir,
                   bool desktopShortcut, bool quickLaunchShortcut, bool consoleUserIsAdmin,
                   bool processIsAdmin, std::wstring installLanguage);

    // Begins one pass: the uninstaller first when its file exists, else the download.
    // Returns once the first worker has been started; with insNew, the uninstaller
    // waits on its worker until no "Collivo.exe" runs.
    void Start();

    // The id of a running process whose executable file name is `name` (whole,
    // case-sensitive), or 0.
    static uint32_t FindProcessByName(const std::wstring& name);

    std::wstring PackagePath() const;

private:
    void DownloadNotify(int code, double value, const wchar_t* text);
    void UninstallNotify(int code, double value, const wchar_t* text);
    void InstallNotify(int code, double value, const wchar_t* text);
    // `package` is the package path of the pass that ends, read before the window heard of its
    // end: from then on the window may start the next pass, which rewrites packagePath.
    void CleanUpPackage(const std::wstring& package);
    std::wstring InstallDir() const;

    std::unique_ptr<UninstallRunner> uninstaller;
    std::unique_ptr<CDownloader> downloader;
    std::unique_ptr<CInstaller> packageRunner;
    std::wstring url;
    std::wstring previousUninstaller;
    std::wstring installDir;
    std::wstring packagePath;
    std::wstring installLanguage;
    bool desktopShortcut = true;
    bool quickLaunchShortcut = true;
    bool consoleUserIsAdmin = true;
    bool processIsAdmin = false;
    StageCallback windowCallback;
    const DownloadInstallerSettings settings;
    // Guards installDir and packagePath, which the window's thread rewrites for a new pass
    // while a worker of the last one may still read them. Only that thread writes them, so it
    // reads them without the lock.
    mutable std::mutex m_lock;
};
