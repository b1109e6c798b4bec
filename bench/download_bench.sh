#!/usr/bin/env bash
# Download benchmark: installs what it drives (nginx, aria2c, curl; scripts/deps.sh --bench),
# builds a release configuration (BUILD_DIR, default build/dl-release) and times
# `stage-cli download` against curl, md5sum and aria2c, all fetching from nginx on loopback.
# Extra arguments go to the benchmark (--case single|multi|throttled|all, --runs N, --dir DIR,
# --rate BYTES_PER_SECOND). Run it on a quiet machine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build/dl-release}"

"$root/scripts/deps.sh" --bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOLLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target download_bench
PATH="$PATH:/usr/sbin" "$build/bench/download_bench" --stage-cli "$build/tools/stage-cli/stage-cli" "$@"
