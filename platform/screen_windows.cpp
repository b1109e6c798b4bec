// The primary monitor's geometry of platform/screen.h, from the system's monitor information.
#include <windows.h>

#include "platform/screen.h"

namespace platform {
namespace {

ScreenArea AreaOf(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The primary monitor is the one whose top-left corner is the origin of the desktop.
bool PrimaryMonitorInfo(MONITORINFO* info) {
    info->cbSize = sizeof *info;
    const HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    return monitor != nullptr && GetMonitorInfoW(monitor, info);
}

}  // namespace

ScreenArea PrimaryMonitorArea() {
    MONITORINFO info{};
    if (PrimaryMonitorInfo(&info)) return AreaOf(info.rcMonitor);
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

ScreenArea PrimaryMonitorWorkArea() {
    MONITORINFO info{};
    if (PrimaryMonitorInfo(&info)) return AreaOf(info.rcWork);
    RECT work{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return AreaOf(work);
    return {};
}

}  // namespace platform
