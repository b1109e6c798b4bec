# Project-wide warnings; applied to our own targets only through collivo_warnings.
add_library(collivo_warnings INTERFACE)
target_compile_options(collivo_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough)
