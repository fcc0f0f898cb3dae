#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking Velvane
# needs, skipping what is already there.
set -euo pipefail

packages=(
    build-essential g++ cmake ninja-build pkg-config ccache git
    juce-modules-source libflac-dev zlib1g-dev libpng-dev libjpeg-dev
    libfreetype-dev libfontconfig1-dev libx11-dev libxrandr-dev libxinerama-dev
    libxcursor-dev libxcomposite-dev libxext-dev libasound2-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth fonts-dejavu-core imagemagick sox
    chromium
    clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
