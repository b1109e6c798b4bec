// A stand-in installer for the start-up tests: the real start-up and shut-down, with a
// "window" that stays open for a while (or crashes), and stages that say when they run.
//   startup_probe HOLD_MS [crash|curl-fails] [switches...]
// "curl-fails" makes libcurl's global initialisation fail.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/startup.h"
#include "app/startup_events.h"

namespace {

class PrintingEvents : public StartupEvents {
public:
    void CurlInitFailed() override { std::puts("curl init failed"); }
    void Crashed() override {
        std::puts("crash reported");
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int holdMs = argc > 1 ? std::atoi(argv[1]) : 0;
    const bool crash = argc > 2 && std::strcmp(argv[2], "crash") == 0;
    const bool curlFails = argc > 2 && std::strcmp(argv[2], "curl-fails") == 0;
    static PrintingEvents events;
    SetStartupEvents(&events);

    StartupStages stages;
    stages.startTracker = [](const InstallerSettings&) { std::puts("tracker started"); };
    stages.releaseTracker = [] { std::puts("tracker released"); };
    if (curlFails) stages.initialiseCurl = [] { return false; };
    stages.runMainWindow = [&](const InstallerSettings& settings) {
        std::puts(settings.CurlReady ? "window" : "window without libcurl");
        std::fflush(stdout);
        if (crash) std::raise(SIGSEGV);
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    };
    return RunInstaller(stages);
}
