// Screen geometry of the primary monitor. UI thread.
#pragma once

namespace platform {

struct ScreenArea {
    int x = 0, y = 0, width = 0, height = 0;
};

// The primary monitor's full size; 0 by 0 without a display.
ScreenArea PrimaryMonitorArea();
// The primary monitor's work area (without panels and docks); 0 by 0 without a display.
ScreenArea PrimaryMonitorWorkArea();

}  // namespace platform
