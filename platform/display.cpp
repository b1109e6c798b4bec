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
        // The installer draws with cairo only. Left alone, GDK opens the system's OpenGL
        // driver at start-up to choose visuals, which alone doubles the resident memory. The
        // switch is taken back at once so that programs started later do not inherit it.
        const char* gl = std::getenv("GDK_GL");
        const bool setGl = gl == nullptr;
        if (setGl) setenv("GDK_GL", "disable", 1);
        available = gtk_init_check(nullptr, nullptr) != FALSE;
        if (setGl) unsetenv("GDK_GL");
        // GTK adopts the user's locale for everything, also when no display opens. Numbers
        // must keep the C form the installer writes and parses ("Progress=0.5", the analytics
        // texts), whatever the desktop's language.
        setlocale(LC_NUMERIC, "C");
    });
    return available;
}

}  // namespace platform
