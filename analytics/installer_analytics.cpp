#include "analytics/installer_analytics.h"

#include "analytics/analytics_tracker_factory.h"
#include "analytics/installer_reporting.h"
#include "analytics/tracker_holder.h"
#include "sys/text.h"

namespace orvane::analytics {

TrackerConfig InstallerTrackerConfig(const InstallerSettings& settings) {
    TrackerConfig config;
    config.appName = Utils::ToUtf8(settings.AppName + settings.DlAppNameSuffix);
    config.appVersion = Utils::ToUtf8(settings.AppVersion);
    config.appStore = Utils::ToUtf8(settings.ExeFileName);
    config.dlAppId = Utils::ToUtf8(settings.AppName);
    config.dlAppVersion = Utils::ToUtf8(settings.DlAppVersion);
    config.edition = 0;
    config.serverUrl = Utils::ToUtf8(settings.AnalyticsUrl);
    return config;
}

void StartInstallerTracker() {
    InstallTracker(CreateAnalyticsTracker(InstallerTrackerConfig(Settings())));
}

void ReleaseInstallerTracker() {
    ReleaseTracker();
}

void InstallerStartupEvents::CurlInitFailed() {
    ReportTaskEvent(L"libcurl初始化失败", 0.0f, L"", {{L"AB", L"IN"}});
}

void InstallerStartupEvents::Crashed() {
    ReportTaskEvent(L"崩溃退出", 0.0f, L"", {{L"AB", L"IN"}});
    ReportCrash();
}

}  // namespace orvane::analytics
