#include "app/installer_analytics.h"

#include "analytics/installer_analytics.h"
#include "analytics/installer_reporting.h"
#include "sys/text.h"

orvane::analytics::TrackerConfig InstallerTrackerConfig(const InstallerSettings& settings) {
    orvane::analytics::TrackerConfig config;
    config.appName = Utils::ToUtf8(settings.AppName + settings.DlAppNameSuffix);
    config.appVersion = Utils::ToUtf8(settings.AppVersion);
    config.appStore = Utils::ToUtf8(settings.ExeFileName);
    config.dlAppId = Utils::ToUtf8(settings.AppName);
    config.dlAppVersion = Utils::ToUtf8(settings.DlAppVersion);
    config.edition = 0;
    config.serverUrl = Utils::ToUtf8(settings.AnalyticsUrl);
    return config;
}

void InstallerStartupEvents::CurlInitFailed() {
    orvane::analytics::ReportTaskEvent(L"libcurl初始化失败", 0.0f, L"", {{L"AB", L"IN"}});
}

void InstallerStartupEvents::Crashed() {
    orvane::analytics::ReportTaskEvent(L"崩溃退出", 0.0f, L"", {{L"AB", L"IN"}});
    orvane::analytics::ReportCrash();
}

StartupStages InstallerAnalyticsStages() {
    StartupStages stages;
    stages.applySettings = [](const InstallerSettings& settings) {
        orvane::analytics::SetReportingEnabled(settings.IsEnableAppAnalytics);
    };
    stages.startTracker = [](const InstallerSettings& settings) {
        orvane::analytics::StartInstallerTracker(InstallerTrackerConfig(settings));
    };
    stages.releaseTracker = &orvane::analytics::ReleaseInstallerTracker;
    return stages;
}
