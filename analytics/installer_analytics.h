// The installer's analytics at start-up and shut-down: the tracker made from the installer's
// settings, and the start-up events (libcurl failure, crash) turned into reports.
// StartInstallerTracker and ReleaseInstallerTracker run on the main thread.
#pragma once

#include "analytics/analytics_tracker.h"
#include "app/installer_settings.h"
#include "app/startup_events.h"

namespace orvane::analytics {

// appName = AppName + DlAppNameSuffix, appVersion = AppVersion, appStore = ExeFileName,
// dlAppId = AppName, dlAppVersion = DlAppVersion, edition 0, serverUrl = AnalyticsUrl (empty:
// the tracker's default); every text as UTF-8.
TrackerConfig InstallerTrackerConfig(const InstallerSettings& settings);

// Creates the process's tracker from Settings() and hands it the reports held so far.
void StartInstallerTracker();
// Releases it: its final uploads run as it is destroyed, here unless a report still uses it.
void ReleaseInstallerTracker();

// Reports "libcurl初始化失败", and on a crash the task event "崩溃退出" followed by the crash
// event, each with the A/B group "IN" and only while analytics is enabled.
class InstallerStartupEvents : public StartupEvents {
public:
    void CurlInitFailed() override;
    void Crashed() override;
};

}  // namespace orvane::analytics
