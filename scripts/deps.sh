#!/usr/bin/env bash
# Installs the Debian 12 packages that kiru needs and that are missing.
# Usage: scripts/deps.sh run|web|test|package|icon|farm   (run: build and start the demo; web:
# build and serve the web page; test: everything, the test suite and the browser comparison
# included; package: build the Debian package; icon: make the desktop icons again; farm: what
# scripts/farm.sh runs besides kiru-capture)
set -euo pipefail

run_packages=(
    g++ make cmake pkg-config
    libsdl2-dev libsdl2-image-dev libglew-dev libgl-dev
    libgl1-mesa-dri libglx-mesa0 libegl-mesa0
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libpng-dev libcli11-dev
)
test_packages=(
    xvfb xauth matchbox-window-manager libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libfreetype-dev fonts-liberation2 clang-format
    desktop-file-utils man-db lintian dpkg-dev ffmpeg parallel
)

packages=("${run_packages[@]}")
if [ "${1:-run}" = test ]; then
    packages+=("${test_packages[@]}")
elif [ "${1:-run}" = package ]; then
    packages+=(dpkg-dev lintian)
elif [ "${1:-run}" = icon ]; then
    packages+=(netpbm)
elif [ "${1:-run}" = farm ]; then
    packages=(parallel ffmpeg)
fi

# The web page: Debian's Emscripten (it brings clang, lld, binaryen, Node.js and acorn) and
# stb_image for the PNGs; the tests also draw the page in Chromium.
web_packages=(cmake make python3 emscripten libstb-dev)
if [ "${1:-run}" = web ]; then
    packages=("${web_packages[@]}")
elif [ "${1:-run}" = test ]; then
    packages+=("${web_packages[@]}" chromium)
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
