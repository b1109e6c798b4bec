#!/usr/bin/env bash
# Download benchmark: builds a release configuration (BUILD_DIR, default build/dl-release),
# writes a 256 MiB package to a temporary folder, serves it with package-server on loopback,
# and times `stage-cli download --type 1` against `curl` + `md5sum`. Extra arguments go to the
# benchmark (--size-mib N, --runs N, --dir DIR).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build/dl-release}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOLLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target download_bench
"$build/bench/download_bench" \
    --server "$build/tools/package-server/package-server" \
    --stage-cli "$build/tools/stage-cli/stage-cli" "$@"
