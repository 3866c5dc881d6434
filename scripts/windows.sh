#!/usr/bin/env bash
# Builds kiru for 64-bit Windows on Debian 12 and packs it: installs what is missing
# (scripts/deps.sh windows), builds the libraries from Debian's own source packages into a cache
# that later runs (and other clones) reuse, cross-builds the programs into build-windows/ (every
# one linked statically), checks that each imports only Windows' own DLLs and writes
# dist/kiru-VERSION-windows-x64.zip, the same bytes from any clone of one commit
# (scripts/artifact_env.sh).
#
# Usage: scripts/windows.sh [--tests]   (--tests: the CPU and rendering tests as .exe files too,
#                                       which scripts/test.sh then runs under Wine)
#
# The recipe of the libraries is scripts/windows/: sources.sh fetches Debian's source packages
# through a private apt configuration, libraries.sh builds each library, cache.sh keeps them in
# ${XDG_CACHE_HOME:-$HOME/.cache}/kiru/windows-deps, one folder per key (the source packages'
# versions, the toolchain's packages and files, and the recipe itself).
set -euo pipefail
shopt -s inherit_errexit
source "$(dirname "$0")/common.sh"
tests=OFF
flagGiven --tests "scripts/windows.sh [--tests]" "$@" && tests=ON
# Debian's mingw-w64 linker and strip write SOURCE_DATE_EPOCH as the programs' time stamp.
source scripts/artifact_env.sh

began=$SECONDS
phase() { echo "== $1 ($((SECONDS - began)) s so far)"; }

phase "Packages"
bash scripts/deps.sh windows

cache="${XDG_CACHE_HOME:-$HOME/.cache}/kiru/windows-deps"
apt_dir="$cache/apt"
source scripts/windows/sources.sh
source scripts/windows/libraries.sh
source scripts/windows/cache.sh

phase "Source package lists"
sourcesListsUpdate
cacheLibraries

phase "Cross-building kiru into build-windows/"
build=build-windows
artifactBuilding "$build"
# A cache made against another key's libraries would keep their paths.
if [ -f "$build/CMakeCache.txt" ] &&
    ! grep -qxF "CMAKE_FIND_ROOT_PATH:UNINITIALIZED=$prefix" "$build/CMakeCache.txt"; then
    rm -f "$build/CMakeCache.txt"
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIRU_WERROR=ON \
    -DKIRU_BUILD_TESTS="$tests" -DKIRU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

phase "Imports"
# Windows' own DLLs, which every Windows 7 or later has; anything else would have to be shipped.
windows_dlls=(advapi32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 opengl32 setupapi shell32 user32
    version winmm)
programs=()
for name in kiru kiru-unpaced kiru-realtime kiru-capture; do
    [ -f "$build/$name.exe" ] || {
        echo "windows.sh: $build/$name.exe was not built" >&2
        exit 1
    }
    programs+=("$build/$name.exe")
done
for exe in "${programs[@]}" $(find "$build/tests" -maxdepth 1 -name '*.exe' 2>/dev/null); do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
        tr 'A-Z' 'a-z' | sort)
    echo "$(basename "$exe"): $(echo $dlls)"
    for dll in $dlls; do
        if [[ " ${windows_dlls[*]} " != *" ${dll%.dll} "* ]]; then
            echo "windows.sh: $exe imports $dll, which is not one of Windows' own DLLs" >&2
            exit 1
        fi
    done
done

phase "Zip"
version=$(sed -n -E 's/^project\(kiru VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
name="kiru-$version-windows-x64"
stage="$build/zip"
rm -rf "$stage" && mkdir -p "$stage/res" "$stage/licenses" dist
for exe in "${programs[@]}"; do
    x86_64-w64-mingw32-strip -o "$stage/$(basename "$exe")" "$exe"
done
cp res/*.png "$stage/res/"
# The notices of what is linked in: the libraries and MinGW-w64's runtime (winpthreads).
for source in libsdl2 libsdl2-image glew zlib libpng1.6; do
    cp "$prefix/licenses/$source.txt" "$stage/licenses/"
done
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64.txt"
# The members in name order, each dated SOURCE_DATE_EPOCH (a zip keeps local time: UTC here),
# with no extra fields (-X: no owners, no Unix time stamps) and no folder entries (-D).
find "$stage" -type f -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
rm -f "dist/$name.zip"
(cd "$stage" && find . -type f -printf '%P\n' | LC_ALL=C sort |
    TZ=UTC zip -q -X -D "$root/dist/$name.zip" -@)
echo "dist/$name.zip: $(du -k "dist/$name.zip" | cut -f1) KB ($(cd "$stage" && ls | tr '\n' ' '))"
artifactBuilt "$build"
phase "Done"
