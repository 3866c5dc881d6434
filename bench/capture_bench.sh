#!/usr/bin/env bash
# Times kiru-capture on the same 240 frames of scene 3 (frames 1322-1561) at 1280 x 720, side by
# side in one run: render only (--dry-run), video (--video) and PNG stills (--out). Each mode runs
# ROUNDS times (default 3), taking turns, and the fastest run of each counts, which keeps out
# most of what other programs on the machine cost. Prints the times and the two ratios to the
# render-only time, and the time each still adds.
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

# Seconds from the start of the first listed frame to the last byte written (--stats).
seconds() {
    "$capture" --size 1280x720 --frames "$frames" --stats "$@" | awk '{ print $4 }'
}

best_render="" best_video="" best_stills=""
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
for round in $(seq "$rounds"); do
    render=$(seconds --dry-run)
    video=$(seconds --video "$scratch/scene3.mp4")
    rm -rf "$scratch/stills"
    stills=$(seconds --out "$scratch/stills")
    echo "round $round: render only $render s, video $video s, stills $stills s"
    best_render=$(least "$best_render" "$render")
    best_video=$(least "$best_video" "$video")
    best_stills=$(least "$best_stills" "$stills")
done
awk -v r="$best_render" -v v="$best_video" -v s="$best_stills" -v n="$count" \
    -v bytes="$(stat -c %s "$scratch/scene3.mp4")" 'BEGIN {
    printf "fastest of each: render only %.2f s (%.1f fps), video %.2f s, stills %.2f s\n",
           r, n / r, v, s
    printf "video / render only:  %.2f (%.1f MB for %d frames)\n", v / r, bytes / 1e6, n
    printf "stills / render only: %.2f (%.1f ms added per still)\n", s / r, (s - r) / n * 1000
}'
