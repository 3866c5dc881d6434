#!/usr/bin/env bash
# Times kiru-capture on the same 240 frames of scene 3 (frames 1322-1561) at 1280 x 720, side by
# side in one run: render only (--dry-run), video (--video) and PNG stills (--out). Each mode runs
# ROUNDS times (default 3), taking turns, and the fastest run of each counts, which keeps out
# most of what other programs on the machine cost. Prints the times and the two ratios to the
# render-only time, and the time each still adds; the processor time of all the process's
# threads beside them shows what a busy machine hides.
# Usage: bench/capture_bench.sh [build folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" # the demo reads res/ from the working directory
capture=${1:-build}/kiru-capture
rounds=${ROUNDS:-3}
frames=1322-1561
count=240
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# "S P": seconds from the start of the first listed frame to the last byte written, and the
# processor seconds in between (--stats).
measure() {
    "$capture" --size 1280x720 --frames "$frames" --stats "$@" | awk '{ print $4, $6 }'
}
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

declare -A best
for round in $(seq "$rounds"); do
    rm -rf "$scratch/stills"
    declare -A run=(
        [render]=$(measure --dry-run)
        [video]=$(measure --video "$scratch/scene3.mp4")
        [stills]=$(measure --out "$scratch/stills"))
    echo "round $round: render only ${run[render]% *} s, video ${run[video]% *} s," \
        "stills ${run[stills]% *} s"
    for mode in render video stills; do
        best[$mode]=$(least "${best[$mode]:-}" "${run[$mode]% *}")
        best[$mode-cpu]=$(least "${best[$mode-cpu]:-}" "${run[$mode]#* }")
    done
done
awk -v r="${best[render]}" -v v="${best[video]}" -v s="${best[stills]}" \
    -v rp="${best[render-cpu]}" -v vp="${best[video-cpu]}" -v sp="${best[stills-cpu]}" \
    -v n="$count" -v bytes="$(stat -c %s "$scratch/scene3.mp4")" 'BEGIN {
    printf "fastest of each: render only %.2f s (%.1f fps), video %.2f s, stills %.2f s\n",
           r, n / r, v, s
    printf "video / render only:  %.2f (processor time %.2f; %.1f MB for %d frames)\n",
           v / r, vp / rp, bytes / 1e6, n
    printf "stills / render only: %.2f (processor time %.2f; %.1f ms added per still)\n",
           s / r, sp / rp, (s - r) / n * 1000
}'
