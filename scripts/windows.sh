#!/usr/bin/env bash
# Builds kiru for 64-bit Windows on Debian 12 and packs it: installs what is missing (mingw-w64
# with the POSIX thread model, Wine, Xvfb, zip), builds the libraries from Debian's own source
# packages into a cache that later runs (and other clones) reuse, cross-builds the programs into
# build-windows/ (every one linked statically), checks that each imports only Windows' own DLLs and
# writes dist/kiru-VERSION-windows-x64.zip.
#
# Usage: scripts/windows.sh [--tests]   (--tests: the CPU and rendering tests as .exe files too,
#                                       which scripts/test.sh then runs under Wine)
#
# The cache: ${XDG_CACHE_HOME:-$HOME/.cache}/kiru/windows-deps, one folder of static libraries
# per key (the source packages' versions, the toolchain's packages and this recipe), and apt's
# private lists of Debian's source packages. The source lines are the machine's own apt sources
# turned into deb-src ones; the system's apt configuration is only read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

tests=OFF
case "${1:-}" in
"") ;;
--tests) tests=ON ;;
*)
    echo "usage: scripts/windows.sh [--tests]" >&2
    exit 2
    ;;
esac

began=$SECONDS
phase() { echo "== $1 ($((SECONDS - began)) s so far)"; }

phase "Packages"
packages=(
    cmake make dpkg-dev bzip2 xz-utils zip
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth
)
missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# ---- Debian's source packages through a private apt configuration --------------------------
cache="${XDG_CACHE_HOME:-$HOME/.cache}/kiru/windows-deps"
apt_dir="$cache/apt"
mkdir -p "$apt_dir"

# apt-get and apt-cache with only the private sources and lists (and no shared package caches).
apt_private() {
    local tool=$1
    shift
    local options=(
        -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
        -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
    )
    # As root, apt hands downloads to its _apt user, who may not write into these folders.
    if [ "$(id -u)" -eq 0 ]; then
        options+=(-o "APT::Sandbox::User=root")
    fi
    "$tool" "${options[@]}" "$@"
}

# The machine's sources as deb-src entries, in both of apt's forms: one-line "deb ..." lines
# and deb822 stanzas, whose Types become deb-src.
sources_derive() {
    local out=$1 list parts
    eval "$(apt-config shell list Dir::Etc::sourcelist/f parts Dir::Etc::sourceparts/d)"
    rm -rf "$out" && mkdir -p "$out/sources.list.d"
    : >"$out/sources.list"
    for file in "$list" "$parts"*.list; do
        [ -f "$file" ] || continue
        sed -n -E 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "$file" >>"$out/sources.list"
    done
    for file in "$parts"*.sources; do
        [ -f "$file" ] || continue
        sed -E 's/^Types:.*/Types: deb-src/' "$file" >"$out/sources.list.d/$(basename "$file")"
    done
}

phase "Source package lists"
sources_derive "$apt_dir/derived.new"
if ! diff -rq "$apt_dir/derived.new" "$apt_dir/derived" >/dev/null 2>&1 ||
    [ -z "$(ls "$apt_dir/lists" 2>/dev/null | grep _Sources || true)" ]; then
    rm -rf "$apt_dir/derived" "$apt_dir/sources.list" "$apt_dir/sources.list.d"
    mv "$apt_dir/derived.new" "$apt_dir/derived"
    cp -r "$apt_dir/derived/sources.list" "$apt_dir/derived/sources.list.d" "$apt_dir/"
    mkdir -p "$apt_dir/lists/partial"
    if ! apt_private apt-get -qq update; then
        echo "windows.sh: could not fetch the lists of Debian's source packages" >&2
        exit 1
    fi
else
    # The lists are fetched once per set of sources; remove $apt_dir to fetch them again.
    rm -rf "$apt_dir/derived.new"
fi

# A source package's versions in the lists, newest first.
versions_newest_first() {
    local sorted=() version i
    while read -r version; do
        for ((i = ${#sorted[@]}; i > 0; i--)); do
            dpkg --compare-versions "$version" le "${sorted[i - 1]}" && break
            sorted[i]=${sorted[i - 1]}
        done
        sorted[i]=$version
    done < <(apt_private apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p')
    printf '%s\n' "${sorted[@]}"
}

# GoogleTest for the tests' .exe files, always: one key whether or not they are built.
sources=(libsdl2 libsdl2-image glew zlib libpng1.6 googletest)
declare -A wanted
for source in "${sources[@]}"; do
    mapfile -t versions < <(versions_newest_first "$source")
    wanted[$source]=${versions[0]:-}
    if [ -z "${wanted[$source]}" ]; then
        echo "windows.sh: the source package $source is not in the lists of $apt_dir" >&2
        exit 1
    fi
done

# Raise when a build below changes, so that every cache is rebuilt.
recipe=2
toolchain=$(dpkg-query -W -f='${Package} ${Version}\n' g++-mingw-w64-x86-64-posix \
    mingw-w64-x86-64-dev)
key_text="recipe $recipe
$toolchain
toolchain file $(sha256sum cmake/mingw-w64-x86_64.cmake | cut -c1-16)
$(for source in "${sources[@]}"; do echo "$source ${wanted[$source]}"; done)"
key=$(echo "$key_text" | sha256sum | cut -c1-12)
prefix="$cache/$key"

# ---- The libraries, static, for x86_64-w64-mingw32 ------------------------------------------
cross=(
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix"
    -DCMAKE_BUILD_TYPE=Release
)

# Fetches and unpacks a source package (Debian's patches applied) into $work/NAME, the newest
# version that the archive serves: a mirror may list a security update before it serves it.
fetch() {
    local source=$1 version said=""
    mkdir -p "$work/download/$source"
    for version in $(versions_newest_first "$source"); do
        if said=$(cd "$work/download/$source" &&
            apt_private apt-get -qq source --only-source "$source=$version" 2>&1); then
            [ "$version" = "${wanted[$source]}" ] ||
                echo "Note: $source ${wanted[$source]} could not be fetched; using $version"
            echo "$source $version" >>"$prefix/BUILT.txt"
            mv "$(find "$work/download/$source" -mindepth 1 -maxdepth 1 -type d)" "$work/$source"
            mkdir -p "$prefix/licenses"
            cp "$work/$source/debian/copyright" "$prefix/licenses/$source.txt"
            return 0
        fi
    done
    echo "$said" >&2
    echo "windows.sh: could not fetch any version of the source package $source" >&2
    return 1
}

# Configures, builds and installs one CMake project; its output goes to a log shown on failure.
cmake_build() {
    local name=$1 source=$2
    shift 2
    local log="$work/$name.log"
    if ! { cmake -S "$source" -B "$work/build-$name" "${cross[@]}" "$@" &&
        cmake --build "$work/build-$name" -j"$jobs" &&
        cmake --install "$work/build-$name"; } >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        echo "windows.sh: building $name failed (the whole log: $log)" >&2
        return 1
    fi
}

dependencies_build() {
    phase "Fetching ${sources[*]}"
    for source in "${sources[@]}"; do
        fetch "$source"
    done

    # Only what the demo uses: video, events, timers, the OpenGL renderer (as on Linux, not
    # Direct3D) and message boxes; no audio, joysticks or sensors. SDL2main comes with it.
    phase "SDL2 (a few minutes)"
    cmake_build sdl2 "$work/libsdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
        -DSDL_POWER=OFF -DSDL_DIRECTX=OFF -DSDL_RENDER_D3D=OFF -DSDL_VULKAN=OFF \
        -DSDL_OPENGLES=OFF -DSDL_XINPUT=OFF -DSDL_WASAPI=OFF -DSDL_CCACHE=OFF

    # PNG only, through the stb_image it carries: no libpng needed for the demo's images.
    phase "SDL2_image"
    local formats=() format
    for format in AVIF BMP GIF JPG JXL LBM PCX PNM QOI SVG TGA TIF WEBP XCF XPM XV; do
        formats+=(-DSDL2IMAGE_"$format"=OFF)
    done
    cmake_build sdl2-image "$work/libsdl2-image" -DBUILD_SHARED_LIBS=OFF \
        -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_DEPS_SHARED=OFF \
        -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_BACKEND_WIC=OFF -DSDL2IMAGE_PNG=ON \
        -DSDL2IMAGE_PNG_SAVE=ON "${formats[@]}"

    # GLEW's list always makes the DLL too; the build takes the static library (GLEW::glew_s).
    phase "GLEW"
    cmake_build glew "$work/glew/build/cmake" -DBUILD_UTILS=OFF

    # zlib's list makes a DLL beside the static library: only the static one is installed, as
    # libz.a, which CMake's FindZLIB takes.
    phase "zlib and libpng (for kiru-capture's stills)"
    local log="$work/zlib.log"
    if ! { cmake -S "$work/zlib" -B "$work/build-zlib" "${cross[@]}" &&
        cmake --build "$work/build-zlib" -j"$jobs" --target zlibstatic; } >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        echo "windows.sh: building zlib failed (the whole log: $log)" >&2
        return 1
    fi
    install -D -m 644 "$work/build-zlib/libzlibstatic.a" "$prefix/lib/libz.a"
    install -D -m 644 -t "$prefix/include" "$work/build-zlib/zconf.h" "$work/zlib/zlib.h"
    cmake_build libpng "$work/libpng1.6" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
        -DPNG_EXECUTABLES=OFF

    phase "GoogleTest"
    cmake_build googletest "$work/googletest" -DBUILD_GMOCK=OFF
}

mkdir -p "$cache"
exec 9>"$prefix.lock" # one builder per key at a time
flock 9
if [ -f "$prefix/.complete" ]; then
    echo "Libraries: reusing $prefix"
else
    echo "Libraries: building into $prefix (once per key)"
    rm -rf "$prefix"
    mkdir -p "$prefix"
    echo "$key_text" >"$prefix/KEY.txt"
    work=$(mktemp -d "$cache/work.XXXXXX")
    dependencies_build
    rm -rf "$work"
    touch "$prefix/.complete"
fi
exec 9>&-

# ---- kiru itself --------------------------------------------------------------------------
phase "Cross-building kiru into build-windows/"
build=build-windows
# A cache made against another key's libraries would keep their paths.
if [ -f "$build/CMakeCache.txt" ] &&
    ! grep -qxF "CMAKE_FIND_ROOT_PATH:UNINITIALIZED=$prefix" "$build/CMakeCache.txt"; then
    rm -f "$build/CMakeCache.txt"
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIRU_WERROR=ON \
    -DKIRU_BUILD_TESTS="$tests" -DKIRU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs"

phase "Imports"
# Windows' own DLLs, which every Windows 7 or later has; anything else would have to be shipped.
windows_dlls=(advapi32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 opengl32 setupapi shell32 user32
    version winmm)
programs=()
for name in kiru kiru-unpaced kiru-realtime kiru-capture; do
    if [ -f "$build/$name.exe" ]; then
        programs+=("$build/$name.exe")
    fi
done
for required in kiru kiru-unpaced; do
    [ -f "$build/$required.exe" ] || {
        echo "windows.sh: $build/$required.exe was not built" >&2
        exit 1
    }
done
# TODO(windows): kiru-capture.exe joins the zip by itself once tools/capture builds for Windows
# (see the root CMakeLists.txt); until then the zip has the two demo programs.
[ -f "$build/kiru-capture.exe" ] ||
    echo "Note: kiru-capture.exe is not built for Windows yet; the zip leaves it out"
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
linked=(libsdl2 libsdl2-image glew)
if [ -f "$build/kiru-capture.exe" ]; then
    linked+=(zlib libpng1.6)
fi
for source in "${linked[@]}"; do
    cp "$prefix/licenses/$source.txt" "$stage/licenses/"
done
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64.txt"
rm -f "dist/$name.zip"
(cd "$stage" && zip -q -X -r "$root/dist/$name.zip" .)
echo "dist/$name.zip: $(du -k "dist/$name.zip" | cut -f1) KB ($(cd "$stage" && ls | tr '\n' ' '))"
phase "Done"
