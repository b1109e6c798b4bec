# Cross-compiles for 32-bit Windows (i686-w64-mingw32) with Debian's mingw-w64 compilers.
#
#   scripts/windows_deps.sh        # compilers, Wine and the static libraries (once)
#   cmake -G Ninja -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake
#   cmake --build build/windows && ctest --test-dir build/windows
#
# - Compilers: the "-posix" flavour; the "-win32" one has no std::thread, std::mutex or
#   std::condition_variable.
# - Everything is linked statically (libgcc, libstdc++, winpthread and the libraries of the
#   sysroot), so a built .exe needs nothing but the DLLs of Windows itself.
# - Executables enter at wmain (-municode): arguments arrive as UTF-16 whatever the code page.
#   A target that has a narrow main() instead (e.g. one linked with GTest::gtest_main) opts out:
#       set_target_properties(NAME PROPERTIES COLLIVO_NARROW_MAIN ON)
#   -DCOLLIVO_WINDOWS_WMAIN=OFF turns it off for the whole build (the third-party builds do).
# - Every file is compiled with WIN32_LEAN_AND_MEAN, NOMINMAX, UNICODE, _UNICODE and
#   _WIN32_WINNT=0x0601 (Windows 7 is the oldest system supported).
# - Libraries and packages are looked up in the sysroot only: COLLIVO_WINDOWS_SYSROOT, by default
#   build/windows-sysroot of this checkout (the environment variable of the same name overrides
#   the default), which scripts/windows_deps.sh fills. pkg-config reads only its .pc files and
#   always answers with --static, so Libs.private and Requires.private come along.
# - Test programs run through scripts/wine_run.sh, with a Wine prefix of the build folder's own
#   (<build>/wine-prefix), so ctest and add_custom_command(... $<TARGET_FILE:x>) just work.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(COLLIVO_MINGW_HOST i686-w64-mingw32)
set(CMAKE_C_COMPILER ${COLLIVO_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${COLLIVO_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${COLLIVO_MINGW_HOST}-windres)

set(_collivo_defines "-DWIN32_LEAN_AND_MEAN -DNOMINMAX -DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
set(CMAKE_C_FLAGS_INIT "${_collivo_defines}")
set(CMAKE_CXX_FLAGS_INIT "${_collivo_defines}")
set(CMAKE_RC_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
set(_collivo_static "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_collivo_static}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_collivo_static}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_collivo_static}")
# Release programs carry no symbol tables (half of a statically linked program's size).
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")

# The sysroot: the default follows this file, not CMAKE_SOURCE_DIR, so it is the same inside
# try_compile() and for the third-party projects that scripts/windows_deps.sh configures.
if(DEFINED ENV{COLLIVO_WINDOWS_SYSROOT} AND NOT "$ENV{COLLIVO_WINDOWS_SYSROOT}" STREQUAL "")
    set(_collivo_sysroot "$ENV{COLLIVO_WINDOWS_SYSROOT}")
else()
    get_filename_component(_collivo_sysroot "${CMAKE_CURRENT_LIST_DIR}/../../build/windows-sysroot"
                           ABSOLUTE)
endif()
set(COLLIVO_WINDOWS_SYSROOT "${_collivo_sysroot}" CACHE PATH
    "Static Windows libraries (filled by scripts/windows_deps.sh)")
option(COLLIVO_WINDOWS_WMAIN "Link executables with -municode (entry point wmain)" ON)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES COLLIVO_WINDOWS_SYSROOT COLLIVO_WINDOWS_WMAIN)

set(CMAKE_FIND_ROOT_PATH "${COLLIVO_WINDOWS_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_LIBDIR}
    "${COLLIVO_WINDOWS_SYSROOT}/lib/pkgconfig:${COLLIVO_WINDOWS_SYSROOT}/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

# try_compile() projects read this file again (as project CMAKE_TRY_COMPILE, CMAKE_IN_TRY_COMPILE
# is not set yet at that point); their probe programs have a plain main(), so -municode and the
# emulator stay out of them. The top project reads it twice as well: add the link option once.
if(NOT PROJECT_NAME STREQUAL "CMAKE_TRY_COMPILE" AND NOT _collivo_toolchain_applied)
    set(_collivo_toolchain_applied TRUE)
    if(COLLIVO_WINDOWS_WMAIN)
        add_link_options(
            "$<$<AND:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>,$<NOT:$<BOOL:$<TARGET_PROPERTY:COLLIVO_NARROW_MAIN>>>>:-municode>")
    endif()
    if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
        get_filename_component(_collivo_wine_run "${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine_run.sh"
                               ABSOLUTE)
        set(CMAKE_CROSSCOMPILING_EMULATOR
            "${_collivo_wine_run};--prefix;${CMAKE_BINARY_DIR}/wine-prefix")
    endif()
endif()
