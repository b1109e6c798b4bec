// screen-shot: saves what the X display shows, whole or a rectangle of it, as a PNG. The demo
// run uses it to keep a picture of each page of the installer.
//
//   screen-shot OUT.png [X Y WIDTH HEIGHT]
#include <gdk/gdk.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: screen-shot OUT.png [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    if (!gdk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "screen-shot: no display\n");
        return 1;
    }
    GdkWindow* root = gdk_get_default_root_window();
    int x = 0;
    int y = 0;
    int width = gdk_window_get_width(root);
    int height = gdk_window_get_height(root);
    if (argc == 6) {
        x = std::atoi(argv[2]);
        y = std::atoi(argv[3]);
        width = std::atoi(argv[4]);
        height = std::atoi(argv[5]);
    }
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(root, x, y, width, height);
    if (shot == nullptr) {
        std::fprintf(stderr, "screen-shot: cannot read %dx%d at %d,%d\n", width, height, x, y);
        return 1;
    }
    const bool saved = gdk_pixbuf_save(shot, argv[1], "png", nullptr, nullptr) != FALSE;
    g_object_unref(shot);
    if (!saved) std::fprintf(stderr, "screen-shot: cannot write %s\n", argv[1]);
    return saved ? 0 : 1;
}
