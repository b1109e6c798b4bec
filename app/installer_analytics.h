// The installer's analytics made from its settings: the tracker's configuration, and the
// start-up events (libcurl failure, crash) turned into reports. The reporter may run on any
// thread, the crashing one included.
#pragma once

#include "analytics/analytics_tracker.h"
#include "app/installer_settings.h"
#include "app/startup.h"
#include "app/startup_events.h"

// appName = AppName + DlAppNameSuffix, appVersion = AppVersion, appStore = ExeFileName,
// dlAppId = AppName, dlAppVersion = DlAppVersion, edition 0, serverUrl = AnalyticsUrl (empty:
// the tracker's default); every text as UTF-8.
orvane::analytics::TrackerConfig InstallerTrackerConfig(const InstallerSettings& settings);

// Reports "libcurl初始化失败", and on a crash the task event "崩溃退出" followed by the crash
// event, each with the A/B group "IN" and only while reporting is enabled.
class InstallerStartupEvents : public StartupEvents {
public:
    void CurlInitFailed() override;
    void Crashed() override;
};

// The start-up stages of the installer's analytics: reporting follows IsEnableAppAnalytics,
// the tracker is made from the settings and released at shut-down. runMainWindow is left empty.
StartupStages InstallerAnalyticsStages();
