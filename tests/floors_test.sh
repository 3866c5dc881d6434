#!/usr/bin/env bash
# The floors only point down: render < drawables < stage < scenes < app < web and tools. Every
# #include "folder/..." in a source must name a folder on its own floor or below, and SDL is
# reached only by the platform units.
set -euo pipefail
cd "$(dirname "$0")/.."

floor() {
    case "$1" in
    render) echo 0 ;;
    drawables) echo 1 ;;
    stage) echo 2 ;;
    scenes) echo 3 ;;
    app) echo 4 ;;
    web | capture | imagegen) echo 5 ;;
    *) echo "" ;;
    esac
}

# The native platform's units: the window and events, the entry, the image decoder, the message
# box of a start-up failure on Windows.
sdl_allowed=(src/app/platform.cpp src/app/main.cpp src/render/image_sdl.cpp
    src/app/failure_report_windows.cpp)

status=0
while IFS= read -r file; do
    folder=$(basename "$(dirname "$file")")
    [ "$(dirname "$file")" = src/web/gl ] && folder=web
    own=$(floor "$folder")
    [ -n "$own" ] || continue
    while IFS= read -r included; do
        target=$(floor "${included%%/*}")
        if [ -n "$target" ] && [ "$target" -gt "$own" ]; then
            echo "$file includes \"$included\", a floor above its own"
            status=1
        fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
    if [[ "$file" == src/* ]] && grep -qE '^#include <SDL' "$file" &&
        [[ " ${sdl_allowed[*]} " != *" $file "* ]]; then
        echo "$file includes SDL, which only the platform units may"
        status=1
    fi
done < <(git ls-files 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h')
[ "$status" -eq 0 ] && echo "every include points down"
exit "$status"
