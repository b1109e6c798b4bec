#include "platform/display.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <mutex>

namespace platform {

bool OpenDisplay() {
    static std::once_flag once;
    static bool available = false;
    std::call_once(once, [] {
        // Without either variable GTK would only print a warning and fail.
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return;
        available = gtk_init_check(nullptr, nullptr) != FALSE;
    });
    return available;
}

}  // namespace platform
