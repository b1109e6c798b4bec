// Saves an area of the X screen as a PNG file, for tests of real windows. Needs an open
// GDK display; on the thread that opened it.
#pragma once

#include <gdk/gdk.h>

#include <filesystem>
#include <string>

namespace testing_support {

// Writes the screen area at (x, y) of `width` x `height` pixels to `folder`/`name`, creating
// the folder; false when the screen cannot be read or the file cannot be written.
inline bool SaveScreenArea(int x, int y, int width, int height, const std::string& folder,
                           const std::string& name) {
    std::filesystem::create_directories(folder);
    GdkPixbuf* shot =
        gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x, y, width, height);
    if (shot == nullptr) return false;
    const std::string path = folder + "/" + name;
    const bool saved = gdk_pixbuf_save(shot, path.c_str(), "png", nullptr, nullptr) != FALSE;
    g_object_unref(shot);
    return saved;
}

}  // namespace testing_support
