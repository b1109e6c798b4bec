#!/usr/bin/env bash
# The main job: install what is missing, build the release configuration and start the installer.
# Extra arguments go to the installer (for example -downloadurl=...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOLLIVO_TESTS=OFF >/dev/null
# The installer and the outside programs of the demo (package server, demo package, stage-cli).
cmake --build build/release
exec build/release/app/collivo-installer "$@"
