#!/usr/bin/env bash
# Download soak: builds a release configuration (BUILD_DIR, default build/soak-release) and runs
# download_soak, hundreds of downloads by the type 1 and type 3 downloaders against in-process
# package servers with random faults (see bench/download_soak.cpp). Extra arguments go to it
# (--runs N, --seed S, --from I, --type 1|3, --fault NAME, --hang-limit SECONDS, ...).
# Exits with the soak's status: 1 when a run gave a false success, hung, left files behind or
# sent its codes out of order.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build/soak-release}"

"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOLLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target download_soak >&2
exec "$build/bench/download_soak" "$@"
