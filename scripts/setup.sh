#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking Quorvane need.
# Idempotent: only packages that are missing are installed.
set -euo pipefail

packages=(
    cmake make g++ ninja-build pkg-config clang-format git
    libicu-dev libexiv2-dev libheif-dev libavformat-dev nlohmann-json3-dev uuid-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev hyperfine
    fuse3 fusefat dosfstools e2fsprogs
    libimage-exiftool-perl libheif-examples ffmpeg
    xvfb xauth xdotool imagemagick adwaita-icon-theme dbus-daemon at-spi2-core python3-pyatspi
    dpkg-dev fakeroot lintian debootstrap desktop-file-utils appstream qt6-l10n-tools
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
    echo "setup: all packages present"
fi
