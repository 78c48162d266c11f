#!/usr/bin/env bash
# Installs what building, running and testing the diary needs on Debian 12, skipping what is
# already there. Runs as root, or through sudo otherwise.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-liberation2 fonts-paratype
    xvfb xauth x11-utils libx11-dev
    libbenchmark-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
