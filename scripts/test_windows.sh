#!/usr/bin/env bash
# Cross-builds the 32-bit Windows programs and their tests (cmake/toolchains/mingw-i686.cmake,
# in build/windows) and runs them under Wine with CTest, the end-to-end installation included.
# The servers the Windows tests talk to are the Linux programs of build/asan (built here when
# missing). Arguments go to CTest. Set WERROR=ON to treat warnings as errors (CI does).
# scripts/test.sh runs this after the Linux tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/windows_deps.sh
LINUX_TOOLS=$PWD/build/asan/tools
if [[ ! -x $LINUX_TOOLS/package-server/package-server || ! -x $LINUX_TOOLS/collect-server/collect-server ]]; then
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCOLLIVO_SANITIZE=address >/dev/null
    cmake --build build/asan --target package-server collect-server
fi
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DCOLLIVO_WERROR="${WERROR:-OFF}" \
    -DCOLLIVO_LINUX_TOOLS="$LINUX_TOOLS" >/dev/null
cmake --build build/windows
# The servers are ASan builds: a leak report at their end is no test failure.
export ASAN_OPTIONS=detect_leaks=0
ctest --test-dir build/windows --output-on-failure -j"$(nproc)" "$@"
