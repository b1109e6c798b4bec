// The installer's run from start-up to shut-down, on the main thread.
#pragma once

#include <functional>

// The stages that later subsystems provide. An empty stage is skipped.
struct StartupStages {
    std::function<void()> startTracker;    // create and start the analytics tracker
    std::function<void()> runMainWindow;   // create, centre and run the main window modally
    std::function<void()> releaseTracker;  // release the tracker (its final uploads)
};

// Start-up, the modal window and shut-down. Returns the exit code: 0 after a normal run, -1
// when another installer holds the single-instance guard (nothing else is done then).
int RunInstaller(const StartupStages& stages);
