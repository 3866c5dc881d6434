#!/usr/bin/env bash
# Makes the desktop icons data/icons/kiru-{256,128,48}.png from one frame of the demo: frame 2000
# (scene 3, the field with its fountains) rendered by kiru-capture at 1920 x 1080, a square around
# the fountains cropped out and scaled down. The icons are committed, so building and installing
# need no GL context; run this again only to change the look.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

frame=2000
crop=(-left=640 -top=180 -width=720 -height=720)
sizes=(256 128 48)

bash scripts/deps.sh icon
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target kiru-capture

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/kiru-capture --size 1920x1080 --frames "$frame" --out "$work"
pngtopam "$work/frame-$(printf %06d "$frame").png" | pamcut "${crop[@]}" >"$work/square.pam"
for size in "${sizes[@]}"; do
    pamscale -filter=lanczos -width="$size" -height="$size" "$work/square.pam" |
        pamtopng >"data/icons/kiru-$size.png"
    echo "data/icons/kiru-$size.png"
done
