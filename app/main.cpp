// Entry point of the Collivo installer.
#include "analytics/installer_reporting.h"
#include "app/installer_analytics.h"
#include "app/main_window_run.h"
#include "app/startup.h"
#include "app/startup_events.h"
#include "download/download_report.h"

int main() {
    // Reports raised before the tracker exists are held until it does. Never destroyed: a
    // crash during the process's exit still reports through it.
    static auto* startupEvents = new InstallerStartupEvents();
    SetStartupEvents(startupEvents);
    SetDownloadTaskReporter([](const std::wstring& name, float elapsedSeconds,
                               const std::wstring& reason,
                               const std::map<std::wstring, std::wstring>& extra) {
        orvane::analytics::ReportTaskEvent(name, elapsedSeconds, reason, extra);
    });

    StartupStages stages = InstallerAnalyticsStages();
    stages.runMainWindow = &RunMainWindow;
    return RunInstaller(stages);
}
