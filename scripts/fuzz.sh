#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs each one, one after the other, for a few
# seconds on a copy of its seed inputs (fuzz/corpus/<target>/; the copy grows, the repository's
# inputs stay as they are). Fails when a target finds a fault; the input that did it is kept in
# build/fuzz/findings/<target>/ and can be replayed with build/fuzz/fuzz/<target> <file>.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-5}
if [[ ! "$seconds" =~ ^[0-9]+$ ]] || ((seconds < 1)); then
    echo "usage: $0 [SECONDS_PER_TARGET]" >&2
    exit 2
fi

scripts/deps.sh
# The warning flags are chosen for GCC; clang ignores the ones it does not know.
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCOLLIVO_FUZZ=ON -DCOLLIVO_TESTS=OFF -DCMAKE_CXX_FLAGS=-Wno-unknown-warning-option >/dev/null
cmake --build build/fuzz --target collivo_fuzz_targets

targets=()
for source in fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
done

# Options of single targets: the console reader cuts lines at 4096 characters, so its inputs
# may be longer than libFuzzer's default limit.
declare -A options=([console_protocol_fuzz]="-max_len=16384")

# Scratch space on a memory file system when there is one: the copies of the seed inputs, and
# the files the targets write for each input ($TMPDIR).
base=/dev/shm
[[ -d $base && -w $base ]] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/collivo-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tmp"

# C libraries asked for absurd sizes by a damaged archive get no memory, as in a real process
# with a limit, instead of stopping the run; the leak checker keeps fontconfig's caches out.
export ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=1024:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=print_suppressions=0
export TMPDIR=$work/tmp
if command -v llvm-symbolizer >/dev/null; then
    export ASAN_SYMBOLIZER_PATH
    ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer)
fi

passed=0
failed=0
for target in "${targets[@]}"; do
    corpus=$work/corpus/$target
    findings=build/fuzz/findings/$target
    log=$work/$target.log
    mkdir -p "$corpus" "$findings"
    cp -R "fuzz/corpus/$target/." "$corpus/"
    # shellcheck disable=SC2086  # the options are separate words
    if build/fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" ${options[$target]:-} "$corpus" \
        >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "$target: ${runs:-?} runs, no fault"
        passed=$((passed + 1))
    else
        echo "$target: FAILED; the end of its output:" >&2
        tail -n 60 "$log" >&2
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
((failed == 0))
