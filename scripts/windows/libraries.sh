# Sourced by scripts/windows.sh: the recipe of the static libraries for x86_64-w64-mingw32, each
# built from Debian's source package (scripts/windows/sources.sh) with the toolchain file.
#
# Offers: librariesSources (the source packages, in build order) and librariesBuild PREFIX WORK
# (fetch and build them all into PREFIX, in scratch folder WORK; the notices go to
# PREFIX/licenses, what was taken to PREFIX/BUILT.txt). Every file of scripts/windows/ is part of
# the cache key, so a change here rebuilds the libraries once.

# GoogleTest for the tests' .exe files, always: one key whether or not they are built.
librariesSources() { echo libsdl2 libsdl2-image glew zlib libpng1.6 googletest; }

# Configures, builds and installs one CMake project; its output goes to a log shown on failure.
# Usage: libraryBuild NAME SOURCE_DIR [CMAKE_OPTIONS...] (a --target option builds only that).
libraryBuild() {
    local name=$1 source=$2
    shift 2
    local log="$work/$name.log"
    if ! { cmake -S "$source" -B "$work/build-$name" "${cross[@]}" "$@" &&
        cmake --build "$work/build-$name" -j"$(nproc)" ${target:+--target "$target"} &&
        { [ -n "${target:-}" ] || cmake --install "$work/build-$name"; }; } >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        echo "windows.sh: building $name failed (the whole log: $log)" >&2
        return 1
    fi
}

librariesBuild() {
    local prefix=$1 work=$2 source
    # The scratch folder's name, random and under the builder's home, is mapped out of what the
    # libraries keep (SDL keeps the __FILE__ of its GL renderer), so the programs that link them
    # are the same bytes whoever built the cache.
    local cross=(
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
        -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix"
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_C_FLAGS="-ffile-prefix-map=$work=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$work=."
    )
    phase "Fetching $(librariesSources)"
    mkdir -p "$prefix/licenses"
    for source in $(librariesSources); do
        sourceFetch "$source" "$work/$source" "$work/download" >>"$prefix/BUILT.txt"
        cp "$work/$source/debian/copyright" "$prefix/licenses/$source.txt"
    done

    # Only what the demo uses: video, events, timers, the OpenGL renderer (as on Linux, not
    # Direct3D) and message boxes; no audio, joysticks or sensors. SDL2main comes with it.
    phase "SDL2 (a few minutes)"
    libraryBuild sdl2 "$work/libsdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
        -DSDL_POWER=OFF -DSDL_DIRECTX=OFF -DSDL_RENDER_D3D=OFF -DSDL_VULKAN=OFF \
        -DSDL_OPENGLES=OFF -DSDL_XINPUT=OFF -DSDL_WASAPI=OFF -DSDL_CCACHE=OFF

    # PNG only, through the stb_image it carries: no libpng needed for the demo's images.
    phase "SDL2_image"
    local formats=() format
    for format in AVIF BMP GIF JPG JXL LBM PCX PNM QOI SVG TGA TIF WEBP XCF XPM XV; do
        formats+=(-DSDL2IMAGE_"$format"=OFF)
    done
    libraryBuild sdl2-image "$work/libsdl2-image" -DBUILD_SHARED_LIBS=OFF \
        -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_DEPS_SHARED=OFF \
        -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_BACKEND_WIC=OFF -DSDL2IMAGE_PNG=ON \
        -DSDL2IMAGE_PNG_SAVE=ON "${formats[@]}"

    # GLEW's list always makes the DLL too; the build takes the static library (GLEW::glew_s).
    phase "GLEW"
    libraryBuild glew "$work/glew/build/cmake" -DBUILD_UTILS=OFF

    # zlib's list makes a DLL beside the static library: only the static one is built and
    # installed, as libz.a, which CMake's FindZLIB takes.
    phase "zlib and libpng (for kiru-capture's stills)"
    target=zlibstatic libraryBuild zlib "$work/zlib"
    install -D -m 644 "$work/build-zlib/libzlibstatic.a" "$prefix/lib/libz.a"
    install -D -m 644 -t "$prefix/include" "$work/build-zlib/zconf.h" "$work/zlib/zlib.h"
    libraryBuild libpng "$work/libpng1.6" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
        -DPNG_EXECUTABLES=OFF

    phase "GoogleTest"
    libraryBuild googletest "$work/googletest" -DBUILD_GMOCK=OFF
}
