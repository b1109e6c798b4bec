#include "platform/screen.h"

#include <gtk/gtk.h>

#include "platform/display.h"

namespace platform {
namespace {

ScreenArea MonitorArea(bool workArea) {
    if (!OpenDisplay()) return {};
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return {};
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
    if (monitor == nullptr) return {};
    GdkRectangle rect{};
    if (workArea) {
        gdk_monitor_get_workarea(monitor, &rect);
    } else {
        gdk_monitor_get_geometry(monitor, &rect);
    }
    return {rect.x, rect.y, rect.width, rect.height};
}

}  // namespace

ScreenArea PrimaryMonitorArea() {
    return MonitorArea(false);
}
ScreenArea PrimaryMonitorWorkArea() {
    return MonitorArea(true);
}

}  // namespace platform
