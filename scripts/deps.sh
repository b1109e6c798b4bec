#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those still missing.
# Usage: scripts/deps.sh   (uses sudo when not run as root)
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libglib2.0-dev
    libcurl4-openssl-dev libssl-dev libcpp-httplib-dev curl aria2
    zlib1g-dev libsqlite3-dev libjsoncpp-dev
    libgtk-3-dev libcairo2-dev libpango1.0-dev libpugixml-dev libarchive-dev p7zip-full
    fonts-wqy-microhei xvfb xauth xcompmgr locales xdotool
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

SUDO=()
[[ $(id -u) -ne 0 ]] && SUDO=(sudo)
echo "Installing: ${missing[*]}"
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
