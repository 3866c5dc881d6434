#!/usr/bin/env bash
# Times kiru-capture on the same 240 frames of scene 3 (frames 1322-1561) at 1280 x 720, side by
# side in one run: render only (--dry-run), render only with --samples 4, each video format
# (.mp4 H.264, .webm VP9, .mkv lossless FFV1) and PNG stills (--out). Each mode runs ROUNDS times
# (default 3), taking turns, and the fastest run of each counts, which keeps out most of what
# other programs on the machine cost. Prints the times, each one's ratio to the render-only time
# with the processor time's ratio beside it (which shows what a busy machine hides), the time
# each still adds, and for each video its bytes and its PSNR against the stills of the same
# frames (FFmpeg's psnr filter, in the video's BT.709 limited-range YUV; the master is lossless).
# Usage: bench/capture_bench.sh [build folder]   (default: build)
# Settings: MODES="render mp4" for fewer, ROUNDS=N, SIZE=1920x1080 for another frame size,
# FRAMES=A-B for other frames.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" # the demo reads res/ from the working directory
capture=${1:-build}/kiru-capture
rounds=${ROUNDS:-3}
modes=(${MODES:-render samples4 mp4 webm mkv stills})
size=${SIZE:-1280x720}
frames=${FRAMES:-1322-1561}
count=$((${frames#*-} - ${frames%-*} + 1))
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# "S P": seconds from the start of the first listed frame to the last byte written, and the
# processor seconds in between (--stats).
measure() {
    "$capture" --size "$size" --frames "$frames" --stats "$@" | awk '{ print $4, $6 }'
}
run() {
    case $1 in
    render) measure --dry-run ;;
    samples4) measure --dry-run --samples 4 ;;
    mp4 | webm | mkv) measure --video "$scratch/video.$1" ;;
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
# "PSNR N dB" of a video against the stills, frame by frame in order (a WebM counts in
# milliseconds): the master's RGB as it is, the others' YUV against the stills turned into YUV
# as kiru-capture does. The stills are made once, unless a round made them.
psnr() {
    local reference=scale=out_color_matrix=bt709:out_range=tv,format=yuv420p
    [ "$1" != mkv ] || reference=format=bgr0
    [ -d "$scratch/stills" ] || "$capture" --size "$size" --frames "$frames" --out "$scratch/stills"
    ffmpeg -nostdin -v info -i "$scratch/video.$1" -framerate 60 -start_number "${frames%-*}" \
        -i "$scratch/stills/frame-%06d.png" -lavfi "[0:v]settb=1/60,setpts=N[video];
            [1:v]$reference,settb=1/60,setpts=N[still];[video][still]psnr" -f null - 2>&1 |
        awk '/PSNR/ { sub(/.*average:/, ""); print "PSNR", $1 == "inf" ? $1 : sprintf("%.2f", $1),
            "dB"; exit }'
}
command -v ffmpeg >/dev/null || psnr() { echo "no PSNR without FFmpeg's ffmpeg"; }
printf 'fastest render only: %.2f s (%.1f fps), processor %.2f s, %d frames at %s\n' \
    "${best[render]}" "$(awk -v r="${best[render]}" -v n="$count" 'BEGIN { print n / r }')" \
    "${best[render-cpu]}" "$count" "$size"
for mode in "${all[@]:1}"; do
    quality=""
    if [ -f "$scratch/video.$mode" ]; then
        quality="; $(stat -c %s "$scratch/video.$mode") bytes, $(psnr "$mode")"
        [ "$mode" != mkv ] || quality+=" (lossless)"
    fi
    awk -v m="$mode" -v t="${best[$mode]}" -v r="${best[render]}" -v tp="${best[$mode-cpu]}" \
        -v rp="${best[render-cpu]}" -v n="$count" -v quality="$quality" 'BEGIN {
        printf "%-9s %6.2f s, %.2f x render only (processor time %.2f x)", m, t, t / r, tp / rp
        if (m == "stills") printf "; %.1f ms added per still", (t - r) / n * 1000
        print quality
    }'
done
