// Leak-checker suppressions for a third-party library only: fontconfig keeps its font caches
// for the life of the process and never frees them. Leaks of the toolkit's own code (and of
// Pango, cairo, GLib and GTK as the toolkit uses them) stay reported.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
