// InstallerSettings: the process-wide record of what is installed, from where and how.
// Filled in three layers (built-in values, the ini file beside the executable, the command
// line) on the main thread during start-up. Only app/ reads the record; the modules below get
// the values they need as arguments (DownloadInstallerSettings, MainWindowOptions, the
// tracker's configuration).
#pragma once

#include <string>

struct InstallerSettings {
    std::wstring AppName = L"Collivo";
    std::wstring AppVersion = L"1.7.9";
    std::wstring ExeFileName = L"NULL";
    std::wstring DlAppNameSuffix = L".downloader";
    std::wstring DlAppVersion;
    std::wstring InstCmd;
    std::wstring DownloadUrl = kBuiltInDownloadUrl;
    int DownloadType = 1;
    bool IsCheckNet = false;
    bool IsEnableAppAnalytics = true;
    double DownloadScale = 0.7;
    bool CurlReady = true;
    std::wstring AbGroup = L"IN";
    int Language = 0;
    bool InsNew = false;
    // The collection URL handed to the analytics tracker; empty keeps the tracker's default.
    std::wstring AnalyticsUrl;

    // The package download endpoint. Its host is the package server the demo starts on this
    // machine; the path is the endpoint's own.
    static constexpr const wchar_t* kBuiltInDownloadUrl = L"http://127.0.0.1:8353/software/353";
    static constexpr const wchar_t* kIniFileName = L"OrvaneInstallerConfig.ini";

    // The ini layer, from "OrvaneInstallerConfig.ini" beside the running executable (or beside
    // `exePath`).
    void LoadSettings();
    void LoadSettings(const std::wstring& exePath);
    // The command-line layer, from this process's command line (or from `commandLine`).
    void ParseCommandLine();
    void ParseCommandLine(const std::wstring& commandLine);
};

// The process-wide record; its first use applies the built-in values and the ini layer.
InstallerSettings& Settings();

// Replaces every "${ROUTE}" with the download route of the running system.
std::wstring SubstituteRoute(const std::wstring& url);
// The route for an operating system's name and version name: "download_silent_xp" for the
// Windows versions "XP-", "XP" and "XP+", "download_silent" for anything else.
std::wstring RouteForSystem(const std::wstring& osName, const std::wstring& versionName);
