#!/usr/bin/env bash
# Installs the Debian 12 packages that kiru needs and that are missing.
# Usage: scripts/deps.sh [SET], SET one of
#   run      build and start the demo (the default)
#   web      build and serve the web page
#   windows  cross-build for Windows and run it under Wine
#   package  build and check the Debian package
#   icon     make the desktop icons again
#   farm     what scripts/farm.sh runs besides kiru-capture
#   test     everything the test suite needs but the Windows set, which scripts/windows.sh
#            installs itself: the browser comparison included
set -euo pipefail

run_packages=(
    g++ make cmake pkg-config
    libsdl2-dev libsdl2-image-dev libglew-dev libgl-dev
    libgl1-mesa-dri libglx-mesa0 libegl-mesa0
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libpng-dev libcli11-dev
    libwayland-dev
)
test_packages=(
    xvfb xauth matchbox-window-manager libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libfreetype-dev fonts-liberation2 clang-format
    desktop-file-utils appstream man-db lintian dpkg-dev ffmpeg weston parallel
)
package_packages=(dpkg-dev lintian)
# Debian's Emscripten (it brings clang, lld, binaryen, Node.js and acorn) and stb_image for the
# PNGs; the tests also draw the page in Chromium.
web_packages=(cmake make python3 emscripten libstb-dev)
# mingw-w64 with the POSIX thread model (so std::thread works), what unpacks Debian's source
# packages, CLI11's headers (copied into the cross build), Wine in Xvfb, zip, and wrestool to read
# the programs' manifests back.
windows_packages=(
    cmake make dpkg-dev bzip2 xz-utils zip libcli11-dev icoutils
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth
)

case "${1:-run}" in
run) packages=("${run_packages[@]}") ;;
web) packages=("${web_packages[@]}") ;;
windows) packages=("${windows_packages[@]}") ;;
package) packages=("${run_packages[@]}" "${package_packages[@]}") ;;
icon) packages=("${run_packages[@]}" netpbm) ;;
farm) packages=(parallel ffmpeg) ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}" "${web_packages[@]}" chromium) ;;
*)
    echo "usage: scripts/deps.sh [run|web|windows|package|icon|farm|test]" >&2
    exit 2
    ;;
esac

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
