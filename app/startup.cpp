#include "app/startup.h"

#include <curl/curl.h>

#include <atomic>

#include "app/installer_settings.h"
#include "app/single_instance_guard.h"
#include "app/startup_events.h"
#include "platform/crash_handler.h"
#include "platform/hardening.h"

namespace {

std::atomic<StartupEvents*> g_events{nullptr};

void ReportCrash() {
    if (StartupEvents* events = g_events.load()) events->Crashed();
}

}  // namespace

void SetStartupEvents(StartupEvents* events) {
    g_events = events;
}
StartupEvents* CurrentStartupEvents() {
    return g_events.load();
}

int RunInstaller(const StartupStages& stages) {
    platform::HardenLibrarySearch();
    platform::InstallCrashHandler(&ReportCrash);

    InstallerSettings& settings = Settings();  // built-in values and the ini file
    if (stages.applySettings) stages.applySettings(settings);
    const bool curlReady = stages.initialiseCurl ? stages.initialiseCurl()
                                                 : curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    if (!curlReady) {
        settings.CurlReady = false;
        if (StartupEvents* events = CurrentStartupEvents()) events->CurlInitFailed();
    }

    SingleInstanceGuard guard(L"Installer_Collivo");
    guard.Acquire();
    if (!guard.Held()) return -1;  // no window, no message, no analytics, no clean-up

    // The tracker starts from the ini and built-in values; the switches apply after it.
    const bool trackerStarted = settings.IsEnableAppAnalytics && stages.startTracker;
    if (trackerStarted) stages.startTracker(settings);
    settings.ParseCommandLine();
    if (stages.applySettings) stages.applySettings(settings);

    if (stages.runMainWindow) stages.runMainWindow(settings);

    // A tracker started above is released even when a switch turned analytics off since,
    // so that its records are flushed and nothing leaks.
    if (trackerStarted && stages.releaseTracker) stages.releaseTracker();
    curl_global_cleanup();
    guard.Release();
    return 0;
}
