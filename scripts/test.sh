#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test,
# then cross-builds the Windows programs and runs their tests under Wine
# (scripts/test_windows.sh; COLLIVO_WINDOWS=OFF skips that part). Arguments go to the Linux
# CTest run. Set WERROR=ON to treat warnings as errors (CI does).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCOLLIVO_SANITIZE=address \
    -DCOLLIVO_WERROR="${WERROR:-OFF}" >/dev/null
cmake --build build/asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/asan --output-on-failure -j"$(nproc)" "$@"
if [[ ${COLLIVO_WINDOWS:-ON} != OFF ]]; then
    scripts/test_windows.sh
fi
