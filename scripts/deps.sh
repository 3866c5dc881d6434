#!/usr/bin/env bash
# Installs the Debian 12 packages that kiru needs and that are missing.
# Usage: scripts/deps.sh [SET...], each SET one of
#   demo     build and start the demo alone (cmake -DKIRU_CAPTURE=OFF)
#   run      build and start the demo and kiru-capture (the default)
#   format   the format check
#   native   the native tests and benchmarks (with run)
#   wayland  the native Wayland tests' compositor
#   web      build and serve the web page
#   browser  the web page's test: headless Chromium
#   windows  cross-build for Windows and run it under Wine
#   package  build and check the Debian package
#   icon     make the desktop icons again
#   farm     what scripts/farm.sh runs besides kiru-capture
#   test     everything the test command needs but the Windows set, which scripts/windows.sh
#            installs itself
set -euo pipefail

demo_packages=(
    g++ make cmake pkg-config
    libsdl2-dev libsdl2-image-dev libglew-dev libgl-dev
    libgl1-mesa-dri libglx-mesa0 libegl-mesa0
    libwayland-dev
)
run_packages=(
    "${demo_packages[@]}"
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libpng-dev libcli11-dev
)
format_packages=(clang-format git)
native_packages=(
    xvfb xauth matchbox-window-manager libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libfreetype-dev fonts-liberation2
    desktop-file-utils appstream man-db ffmpeg parallel
)
package_packages=(dpkg-dev lintian)
# Debian's Emscripten (it brings clang, lld, binaryen, Node.js and acorn) and stb_image for the
# PNGs.
web_packages=(cmake make python3 emscripten libstb-dev)
# mingw-w64 with the POSIX thread model (so std::thread works), what unpacks Debian's source
# packages, CLI11's headers (copied into the cross build), Wine in Xvfb, zip, and wrestool to read
# the programs' manifests back.
windows_packages=(
    cmake make dpkg-dev bzip2 xz-utils zip libcli11-dev icoutils
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth
)

packages=()
for set in "${@:-run}"; do
    case "$set" in
    demo) packages+=("${demo_packages[@]}") ;;
    run) packages+=("${run_packages[@]}") ;;
    format) packages+=("${format_packages[@]}") ;;
    native) packages+=("${run_packages[@]}" "${native_packages[@]}") ;;
    wayland) packages+=(weston) ;;
    web) packages+=("${web_packages[@]}") ;;
    browser) packages+=(chromium) ;;
    windows) packages+=("${windows_packages[@]}") ;;
    package) packages+=("${run_packages[@]}" "${package_packages[@]}") ;;
    icon) packages+=("${run_packages[@]}" netpbm) ;;
    farm) packages+=(parallel ffmpeg) ;;
    test)
        packages+=("${run_packages[@]}" "${format_packages[@]}" "${native_packages[@]}" weston
            "${web_packages[@]}" chromium "${package_packages[@]}")
        ;;
    *)
        echo "usage: scripts/deps.sh [SET...], SET one of demo run format native wayland web" \
            "browser windows package icon farm test" >&2
        exit 2
        ;;
    esac
done

missing=()
for package in $(printf '%s\n' "${packages[@]}" | sort -u); do
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
