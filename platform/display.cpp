#include "platform/display.h"

#include <gtk/gtk.h>

#include <clocale>
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
        // GTK adopts the user's locale for everything, also when no display opens. Numbers
        // must keep the C form the installer writes and parses ("Progress=0.5", the analytics
        // texts), whatever the desktop's language.
        setlocale(LC_NUMERIC, "C");
    });
    return available;
}

}  // namespace platform
