#!/usr/bin/env bash
# Installs what building and testing ZOLMAR needs on Debian 12. Runs apt-get as
# root (through sudo when not root); does nothing when everything is present.
set -euo pipefail

packages=(
    qt6-base-dev libmodbus-dev socat mbpoll xvfb xauth imagemagick fonts-dejavu-core
    ninja-build cmake g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    libqt6svg6 qt6-qpa-plugins dpkg-dev desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Please run as root to install: ${missing[*]}" >&2; exit 1; }
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
