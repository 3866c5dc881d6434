#!/usr/bin/env bash
# Frames presented per real second by each demo build in a window on the current display (Xvfb in
# the tests: its swap does not wait for vsync), counted by a preloaded wrapper of the swap. kiru and
# kiru-unpaced run one update per frame, so this is their update rate: the demo's speed. For
# kiru-realtime the update rate is 60 by design whatever the frame rate; the end-to-end test
# Realtime.SixtyUpdatesPerSecondOfWallClock measures it from what is on screen.
# Usage: bench/pacing_bench.sh [build folder] [seconds] [width height]   (default: build 12 800 600)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
seconds=${2:-12}
width=${3:-800}
height=${4:-600}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cc -shared -fPIC -O2 -o "$scratch/swap_counter.so" "$root/bench/pacing/swap_counter.c" -ldl
for program in kiru kiru-unpaced kiru-realtime; do
    printf '%-14s ' "$program"
    # SIGINT reaches SDL as a close request: the run ends normally and the counter reports.
    LD_PRELOAD="$scratch/swap_counter.so" timeout -s INT "$seconds" \
        "$build/$program" "$width" "$height" 0 2>&1 >/dev/null | tail -n 1 || true
done
