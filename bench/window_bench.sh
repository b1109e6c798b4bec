#!/usr/bin/env bash
# Window benchmark: the installer's start-up to its window's first paint under Xvfb, and its
# peak resident memory over a whole default installation of the demo package (clicked through
# with xdotool), with the executable's size. Builds the release configuration (BUILD_DIR,
# default build/release). Usage: bench/window_bench.sh [RUNS]   (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build/release}"
runs="${1:-5}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOLLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target collivo-installer package-server demo-setup-package >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/collivo-bench.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

"$build/tools/package-server/package-server" \
    --package "$build/tools/demo-setup/collivo-demo-setup" >"$work/port" 2>/dev/null &
pids+=($!)
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
read -r -t 20 number <"$work/display"
export DISPLAY=":$number" NO_AT_BRIDGE=1
for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.1; done
url="http://127.0.0.1:$(head -n1 "$work/port")/software/353"

mkdir -p "$work/app"
cp "$build/app/collivo-installer" "$work/app/"
printf '[Install]\nDownloadUrl=%s\nIsCheckNet=false\nIsEnableAppAnalytics=false\n' "$url" \
    >"$work/app/OrvaneInstallerConfig.ini"

paint_ms=()
peak_kib=()
for run in $(seq "$runs"); do
    home="$work/home$run"
    mkdir -p "$home"
    start=$(date +%s%3N)
    HOME="$home" "$work/app/collivo-installer" 2>"$work/log$run" &
    pid=$!
    # The high-water mark only grows: its last reading before the end is the peak.
    (while hwm=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$pid/status" 2>/dev/null) &&
        [[ -n "$hwm" ]]; do echo "$hwm" >"$work/peak$run"; sleep 0.02; done) &
    # The window traces its first paint; the trace line carries the wall-clock time.
    until grep -q "first paint" "$work/log$run"; do sleep 0.005; done
    stamp=$(grep -m1 "first paint" "$work/log$run" | sed 's/^[^>]*>[^>]*><\([^>]*\)>.*/\1/')
    paint_ms+=($(($(date -d "$stamp" +%s%3N) - start)))

    window=$(xdotool search --sync --onlyvisible --name '^Collivo$' | head -n1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove "$((X + 300))" "$((Y + 227))" click 1
    until grep -q InstallPath "$home/.config/OrvaneSoft/Collivo.reg" 2>/dev/null; do
        sleep 0.05
    done
    sleep 0.3
    xdotool mousemove "$((X + 300))" "$((Y + 325))" click 1
    wait "$pid" || true
    sleep 0.1
    peak_kib+=("$(cat "$work/peak$run")")
    peak=${peak_kib[-1]}
    echo "run $run: first paint ${paint_ms[-1]} ms, peak resident $((peak / 1024)) MiB"
done

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
echo
echo "first paint, median of $runs: $(median "${paint_ms[@]}") ms"
echo "peak resident memory, median of $runs: $(($(median "${peak_kib[@]}") / 1024)) MiB"
exe="$build/app/collivo-installer"
strip -o "$work/stripped" "$exe"
echo "executable: $(($(stat -c %s "$work/stripped") / 1024)) KiB stripped" \
     "($(($(stat -c %s "$exe") / 1024)) KiB with debug information)"
