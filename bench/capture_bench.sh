#!/usr/bin/env bash
# Times kiru-capture on the same 240 frames of scene 3 (frames 1322-1561) at 1280 x 720, side by
# side in one run: render only (--dry-run), render only with --samples 4, each video format
# (.mp4 H.264, .webm VP9, .mkv lossless FFV1) and PNG stills (--out). Each mode runs ROUNDS times
# (default 3), taking turns, and the fastest run of each counts, which keeps out most of what
# other programs on the machine cost. Prints the times, each one's ratio to the render-only time
# with the processor time's ratio beside it (which shows what a busy machine hides), the bytes
# of each video and the time each still adds.
# Usage: bench/capture_bench.sh [build folder]   (default: build; MODES="render mp4" for fewer)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" # the demo reads res/ from the working directory
capture=${1:-build}/kiru-capture
rounds=${ROUNDS:-3}
modes=(${MODES:-render samples4 mp4 webm mkv stills})
frames=1322-1561
count=240
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# "S P": seconds from the start of the first listed frame to the last byte written, and the
# processor seconds in between (--stats).
measure() {
    "$capture" --size 1280x720 --frames "$frames" --stats "$@" | awk '{ print $4, $6 }'
}
run() {
    case $1 in
    render) measure --dry-run ;;
    samples4) measure --dry-run --samples 4 ;;
    mp4 | webm | mkv) measure --video "$scratch/scene3.$1" ;;
    stills) rm -rf "$scratch/stills" && measure --out "$scratch/stills" ;;
    esac
}
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Render only is the measure of the rest: always run, first.
all=(render)
for mode in "${modes[@]}"; do
    [ "$mode" = render ] || all+=("$mode")
done
declare -A best
for round in $(seq "$rounds"); do
    line="round $round:"
    for mode in "${all[@]}"; do
        result=$(run "$mode")
        line+=" $mode ${result% *} s"
        best[$mode]=$(least "${best[$mode]:-}" "${result% *}")
        best[$mode-cpu]=$(least "${best[$mode-cpu]:-}" "${result#* }")
    done
    echo "$line"
done
printf 'fastest render only: %.2f s (%.1f fps), processor %.2f s\n' "${best[render]}" \
    "$(awk -v r="${best[render]}" -v n="$count" 'BEGIN { print n / r }')" "${best[render-cpu]}"
for mode in "${all[@]:1}"; do
    bytes=""
    [ ! -f "$scratch/scene3.$mode" ] || bytes=$(stat -c %s "$scratch/scene3.$mode")
    awk -v m="$mode" -v t="${best[$mode]}" -v r="${best[render]}" -v tp="${best[$mode-cpu]}" \
        -v rp="${best[render-cpu]}" -v n="$count" -v bytes="$bytes" 'BEGIN {
        printf "%-9s %6.2f s, %.2f x render only (processor time %.2f x)", m, t, t / r, tp / rp
        if (bytes != "") printf "; %.1f MB for %d frames", bytes / 1e6, n
        if (m == "stills") printf "; %.1f ms added per still", (t - r) / n * 1000
        printf "\n"
    }'
done
