// A stand-in installer for the start-up report tests: the real start-up with the installer's
// analytics wiring, a "window" that reports a click and then crashes, and the real shut-down.
//   crash_report_probe URL segv|throw|curl-fails [switches...]
// URL is the collection server the tracker reports to; with "curl-fails" libcurl's global
// initialisation fails and the window ends normally, reporting nothing.
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "analytics/installer_reporting.h"
#include "app/installer_analytics.h"
#include "app/installer_settings.h"
#include "app/startup.h"
#include "app/startup_events.h"
#include "sys/text.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    Settings().AnalyticsUrl = Utils::FromUtf8(argv[1]);
    const bool throwing = std::strcmp(argv[2], "throw") == 0;
    const bool curlFails = std::strcmp(argv[2], "curl-fails") == 0;

    static InstallerStartupEvents events;
    SetStartupEvents(&events);
    StartupStages stages = InstallerAnalyticsStages();
    if (curlFails) stages.initialiseCurl = [] { return false; };
    stages.runMainWindow = [throwing, curlFails](const InstallerSettings&) {
        if (curlFails) return;
        orvane::analytics::ReportClickEvent(L"立即安装", {{L"AB", L"IN"}});
        if (throwing) throw std::runtime_error("unhandled");
        std::raise(SIGSEGV);
    };
    return RunInstaller(stages);
}
