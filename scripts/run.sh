#!/usr/bin/env bash
# The main job: install what is missing, build the release configuration and start the installer.
# Extra arguments go to the installer (for example -downloadurl=...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target collivo-installer
exec build/release/app/collivo-installer "$@"
