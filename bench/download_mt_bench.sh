#!/usr/bin/env bash
# Multi-part download benchmark: builds a release configuration (BUILD_DIR, default
# build/dl-release), then times `stage-cli download --type 3` against `--type 1` and
# `aria2c -x2 -s2` with every connection throttled to 20 MB/s (128 MiB package), and against
# `curl` + `md5sum` on unthrottled loopback (1 GiB package). Extra arguments go to the
# benchmark (--case throttled|loopback|both, --runs N, --dir DIR, --throttled-mib N,
# --loopback-mib N, --rate BYTES_PER_SECOND). Needs aria2c (scripts/deps.sh installs it).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build/dl-release}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOLLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target download_mt_bench
"$build/bench/download_mt_bench" \
    --server "$build/tools/package-server/package-server" \
    --stage-cli "$build/tools/stage-cli/stage-cli" "$@"
