#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those still missing.
# Usage: scripts/deps.sh [--bench]   (uses sudo when not run as root)
#   --bench  also what the benchmarks drive (nginx; its system service is not started)
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libglib2.0-dev
    libcurl4-openssl-dev libssl-dev libcpp-httplib-dev curl aria2
    zlib1g-dev libsqlite3-dev libjsoncpp-dev
    libgtk-3-dev libcairo2-dev libpango1.0-dev libpugixml-dev libarchive-dev p7zip-full
    fonts-wqy-microhei xvfb xauth xcompmgr locales xdotool
    clang libclang-rt-14-dev llvm
)

BENCH_PACKAGES=(nginx)
[[ "${1:-}" == "--bench" ]] && PACKAGES+=("${BENCH_PACKAGES[@]}")

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
# The benchmark starts nginx on a port of its own: keep the package from starting the system's
# web server (a policy that refuses every service start, only while installing).
policy=/usr/sbin/policy-rc.d
guard=false
if [[ ! -e $policy ]]; then
    printf '#!/bin/sh\nexit 101\n' | "${SUDO[@]}" tee "$policy" >/dev/null
    "${SUDO[@]}" chmod 755 "$policy"
    guard=true
fi
status=0
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" || status=$?
[[ $guard == true ]] && "${SUDO[@]}" rm -f "$policy"
exit $status
