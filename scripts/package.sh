#!/usr/bin/env bash
# Builds kiru for /usr with Debian's build flags and writes dist/kiru_VERSION_amd64.deb through
# CPack, the same bytes from any clone of one commit (scripts/artifact_env.sh), then runs lintian
# on it. With --check (as root) it also installs the package with apt, runs its programs from
# another folder, removes it and checks that nothing of it is left.
# Usage: scripts/package.sh [--check]
set -euo pipefail
source "$(dirname "$0")/common.sh"
check=0
flagGiven --check "scripts/package.sh [--check]" "$@" && check=1

bash scripts/deps.sh package
# CPack takes every time stamp of the package from SOURCE_DATE_EPOCH: the ar members', each tar
# entry's and the gzip headers' (left empty); it sorts the entries and makes them root's; the
# umask gives the members' modes.
source scripts/artifact_env.sh

# Debian's hardening and optimisation flags, all of them, given on every configure so that a
# change reaches the cache. Build type None: these flags alone, as Debian's own CMake builds do.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
build="build-package"
artifactBuilding "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
    -DKIRU_BUILD_TESTS=OFF -DKIRU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)

mkdir -p dist
deb=$(cd "$build" && ls kiru_*_amd64.deb)
mv "$build/$deb" dist/
echo "dist/$deb"
dpkg-deb --field "dist/$deb" Package Version Depends Recommends
# The AppStream description, which Debian turns into the software centres' data.
metainfo=./usr/share/metainfo/io.github.kirudemo.kiru.metainfo.xml
dpkg-deb -c "dist/$deb" | grep -q " $metainfo$" || {
    echo "package.sh: dist/$deb does not carry $metainfo" >&2
    exit 1
}
# Errors fail the build, and so does a section left in a program that Debian's own tools strip;
# everything else lintian says, down to its pedantic hints, is listed.
report=$(lintian -I --pedantic --fail-on error "dist/$deb") || {
    echo "$report" >&2
    exit 1
}
[ -z "$report" ] || echo "$report"
if grep -q binary-has-unneeded-section <<<"$report"; then
    echo "package.sh: a program keeps a section that Debian strips" >&2
    exit 1
fi

artifactBuilt "$build"

[ "$check" -eq 1 ] || exit 0
[ "$(id -u)" -eq 0 ] || { echo "package.sh: --check installs the package: run it as root" >&2; exit 1; }
if bash scripts/installed.sh; then
    echo "package.sh: kiru is already installed; remove it before --check" >&2
    exit 1
fi

echo "== Install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./dist/$deb" >/dev/null
mapfile -t owned < <(dpkg -L kiru)
work=$(mktemp -d)
removePackage() {
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq kiru >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap removePackage EXIT

echo "== Its programs from $work"
frame=1600
env -u DISPLAY -u WAYLAND_DISPLAY "$build/kiru-capture" --size 400x300 --frames "$frame" \
    --out "$work/expected" >/dev/null
cd "$work"
env -u DISPLAY -u WAYLAND_DISPLAY kiru-capture --size 400x300 --frames "$frame" --out got >/dev/null
still=frame-$(printf %06d "$frame").png
cmp "got/$still" "expected/$still"
echo "kiru-capture: the still matches the build's"
# With no display the demos must start, load their libraries and refuse with status 1.
for program in $(printf '%s\n' "${owned[@]}" | grep '^/usr/bin/' | grep -v /kiru-capture); do
    program=${program##*/}
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen "$program" 2>/dev/null || status=$?
    [ "$status" -eq 1 ] || { echo "$program: status $status with no display, not 1" >&2; exit 1; }
    echo "$program: starts, status 1 with no display"
done
cd "$root"

echo "== Remove"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq kiru >/dev/null
trap 'rm -rf "$work"' EXIT
left=()
for path in "${owned[@]}"; do
    # Folders shared with other packages stay; files, links and kiru's own folders must go.
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        case "$path" in
        */kiru | */kiru/*) [ -e "$path" ] && left+=("$path") ;;
        esac
    elif [ -e "$path" ] || [ -L "$path" ]; then
        left+=("$path")
    fi
done
status=$(dpkg-query -W -f='${db:Status-Status}' kiru 2>/dev/null || true)
if [ ${#left[@]} -ne 0 ] || { [ -n "$status" ] && [ "$status" != not-installed ]; }; then
    echo "package.sh: apt remove left ${left[*]:-nothing} (package state: $status)" >&2
    exit 1
fi
echo "Removed cleanly: none of its ${#owned[@]} paths is left"
