#!/usr/bin/env bash
# The installed tree, end to end: `cmake --install` into a temporary prefix, then one check.
# Usage: install_test.sh tree|desktop|appstream|manual BUILD_DIR SOURCE_DIR
#   tree:    every path lands where it belongs, and the installed kiru-capture, started in /,
#            writes the same still as the build's kiru-capture started in the source folder
#   desktop: the desktop entry is valid and names an installed program and icon
#   appstream: the AppStream description passes appstreamcli's checks (pedantic ones too, no
#            network) with nothing to report, and launches the installed desktop entry
#   manual:  the manual pages render without warnings and have a NAME line for whatis
set -euo pipefail
check=$1 build=$2 source=$3
id=io.github.kirudemo.kiru
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() {
    echo "$check: $*" >&2
    exit 1
}

case "$check" in
tree)
    demos=(kiru kiru-unpaced kiru-realtime)
    for program in "${demos[@]}" kiru-capture; do
        [ -x "$prefix/bin/$program" ] || fail "bin/$program is missing"
    done
    paths=(share/kiru/res/font1.png share/kiru/res/box1.png share/kiru/res/particle1.png
        share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/doc/kiru/copyright share/man/man1/kiru-capture.1.gz)
    for program in "${demos[@]}"; do
        paths+=("share/man/man6/$program.6.gz")
    done
    for path in "${paths[@]}"; do
        [ -f "$prefix/$path" ] || fail "$path is missing"
    done
    # An icon's folder names its size: PNG width and height are bytes 17-24, big-endian.
    for size in 256 128 48; do
        icon=$prefix/share/icons/hicolor/${size}x${size}/apps/kiru.png
        [ -f "$icon" ] || fail "the ${size}x${size} icon is missing"
        read -r width height < <(od -An -tu1 -j16 -N8 "$icon" |
            awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
        [ "$width $height" = "$size $size" ] || fail "the ${size}x${size} icon is ${width}x$height"
    done
    # Scene 3 with its caption and fountains: all three images show. No display: both render
    # through SDL's offscreen driver and open no window.
    args=(--size 400x300 --frames 1600)
    still=frame-001600.png
    headless=(env -u DISPLAY -u WAYLAND_DISPLAY)
    (cd "$source" && "${headless[@]}" "$build/kiru-capture" "${args[@]}" --out "$prefix/expected")
    (cd / && "${headless[@]}" "$prefix/bin/kiru-capture" "${args[@]}" --out "$prefix/installed")
    cmp -s "$prefix/expected/$still" "$prefix/installed/$still" ||
        fail "the installed kiru-capture, started in /, wrote a different still"
    ;;
desktop)
    entry=$prefix/share/applications/$id.desktop
    desktop-file-validate "$entry" || fail "desktop-file-validate refused $id.desktop"
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$prefix/bin/$program" ] || fail "Exec names $program, which is not installed"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$prefix/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no icon named $icon"
    ;;
appstream)
    metainfo=$prefix/share/metainfo/$id.metainfo.xml
    [ -f "$metainfo" ] || fail "share/metainfo/$id.metainfo.xml is missing"
    # Infos and pedantic hints are listed too, and none may be there.
    report=$(appstreamcli validate --no-net --pedantic --explain "$metainfo" 2>&1) ||
        fail "appstreamcli refused it: $report"
    ! grep -qE '^[EWIP]: ' <<<"$report" || fail "appstreamcli reports: $report"
    launched=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
    [ -f "$prefix/share/applications/$launched" ] || fail "it launches $launched, not installed"
    ;;
manual)
    pages=("$prefix"/share/man/man*/*)
    [ ${#pages[@]} -ge 3 ] || fail "only ${#pages[@]} manual pages"
    for page in "${pages[@]}"; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "${page##*/}: $warnings"
        lexgrog "$page" >/dev/null || fail "${page##*/}: lexgrog finds no NAME line"
    done
    ;;
*)
    fail "unknown check"
    ;;
esac
