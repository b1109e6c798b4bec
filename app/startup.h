// The installer's run from start-up to shut-down, on the main thread.
#pragma once

#include <functional>

#include "app/installer_settings.h"

// The stages the entry point provides, each handed the settings as they stand then. An empty
// stage is skipped (but for initialiseCurl, whose default is the real one).
struct StartupStages {
    using Stage = std::function<void(const InstallerSettings&)>;
    // The settings were read or changed (after the ini file, and again after the switches).
    Stage applySettings;
    Stage startTracker;                    // create and start the analytics tracker
    Stage runMainWindow;                   // create, centre and run the main window modally
    std::function<void()> releaseTracker;  // release the tracker (its final uploads)
    // libcurl's global initialisation, true when it succeeded; empty: curl_global_init.
    std::function<bool()> initialiseCurl;
};

// Start-up, the modal window and shut-down. Returns the exit code: 0 after a normal run, -1
// when another installer holds the single-instance guard (nothing else is done then).
int RunInstaller(const StartupStages& stages);
