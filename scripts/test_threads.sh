#!/usr/bin/env bash
# Builds everything with ThreadSanitizer (build/tsan) and runs the tests of the multi-threaded
# modules: the worker utilities, the downloaders, the package and uninstaller runners, the
# analytics library and tracker, the toolkit's cross-thread posting, the windows and the
# installer. Arguments go to CTest. Set WERROR=ON to treat warnings as errors (CI does).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCOLLIVO_SANITIZE=thread \
    -DCOLLIVO_WERROR="${WERROR:-OFF}" >/dev/null
cmake --build build/tsan
# Reports in third-party libraries that are not built with the sanitizer are suppressed in
# tests/tsan.supp, each with its reason; a report in our code fails the test.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
ctest --test-dir build/tsan --output-on-failure -j"$(nproc)" \
    -L '^(sys|download|install|analytics|toolkit|ui|app)$' "$@"
