# Project-wide warnings; applied to our own targets only through collivo_warnings.
# -Wnull-dereference and -Wrestrict are left out: with GCC 12 at -O2 they fire inside the
# standard library's own string and stream code, not ours.
add_library(collivo_warnings INTERFACE)
target_compile_options(collivo_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wformat=2 -Wimplicit-fallthrough -Wno-restrict)
if(COLLIVO_WERROR)
    target_compile_options(collivo_warnings INTERFACE -Werror)
endif()
