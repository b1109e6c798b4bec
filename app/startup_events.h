// The events start-up reports ("libcurl初始化失败", the crash reports). The analytics layer
// installs its reporter here; until one is installed the events go nowhere. The crash report
// may run on any thread.
#pragma once

class StartupEvents {
public:
    virtual ~StartupEvents() = default;
    virtual void CurlInitFailed() = 0;
    // Runs on the crashing thread; must not crash itself.
    virtual void Crashed() = 0;
};

// The installed reporter, or null. The caller keeps it alive until it is replaced.
void SetStartupEvents(StartupEvents* events);
StartupEvents* CurrentStartupEvents();
