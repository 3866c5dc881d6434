#!/usr/bin/env bash
# Renders one kiru-capture run as N jobs of contiguous frame ranges with GNU parallel, locally or
# on other machines over ssh, and joins the jobs' videos into the one asked for with FFmpeg's
# concat demuxer, without encoding again; the jobs' stills go into the --out folder.
# Usage: scripts/farm.sh [--jobs N] [--hosts LIST] -- <kiru-capture options>
#   --jobs N      how many ranges (default: this machine's processor count)
#   --hosts LIST  handed to parallel's -S, e.g. "4/render1,4/render2,:" (":" is this machine);
#                 kiru-capture must be on the PATH there; a job runs in a folder of the same
#                 path as this machine's working folder (made there) and its outputs come
#                 back over ssh (rsync), and the folder is removed there at the end
# kiru-capture is $KIRU_CAPTURE, else build/kiru-capture beside this script when there is one and
# no --hosts, else kiru-capture on the PATH. The ranges are its own (--list-jobs): with a video,
# each starts on a key frame of a single run, so the joined video has the key frames of one.
# Before anything is made it checks that kiru-capture starts (on every host with --hosts) and
# takes the options; otherwise one line says which program it looked for, and the status is 1
# (2 and kiru-capture's own line for bad options).
# Exits with the first failed job's status (2: bad arguments) and its message.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

say() { echo "farm: $*" >&2; }
jobs=$(nproc)
hosts=""
while [ $# -gt 0 ]; do
    case $1 in
    --jobs) jobs=${2:-}; shift 2 || { say "--jobs needs a number"; exit 2; } ;;
    --hosts) hosts=${2:-}; shift 2 || { say "--hosts needs a list"; exit 2; } ;;
    --) shift; break ;;
    *) say "unknown argument \"$1\" (usage: farm.sh [--jobs N] [--hosts LIST] -- OPTIONS)"; exit 2 ;;
    esac
done
if ! [[ $jobs =~ ^[1-9][0-9]{0,3}$ ]]; then
    say "--jobs takes 1 to 9999, not \"$jobs\""
    exit 2
fi
for tool in parallel ffmpeg; do
    command -v "$tool" >/dev/null || { say "needs $tool (bash scripts/deps.sh farm)"; exit 1; }
done

# The options that name frames and outputs are the farm's; the rest go to every job as given.
frames=""
video=""
out=""
pass=()
while [ $# -gt 0 ]; do
    case $1 in
    --frames=* | --video=* | --out=*) name=${1%%=*}; value=${1#*=}; shift ;;
    --frames | --video | --out)
        [ $# -ge 2 ] || { say "$1 needs a value"; exit 2; }
        name=$1; value=$2; shift 2 ;;
    *) pass+=("$1"); shift; continue ;;
    esac
    case $name in
    --frames) frames=$value ;;
    --video) video=$value ;;
    --out) out=$value ;;
    esac
done
[ -n "$video" ] || [ -n "$out" ] || out=capture

# The program the jobs run, and in words which one and where it was looked for.
if [ -n "${KIRU_CAPTURE:-}" ]; then
    capture=$KIRU_CAPTURE
    sought="KIRU_CAPTURE=$capture"
elif [ -z "$hosts" ] && [ -x "$root/build/kiru-capture" ]; then
    capture=$root/build/kiru-capture
    sought=$capture
else
    capture=kiru-capture
    sought="kiru-capture from the PATH"
    [ -n "$hosts" ] || sought+=" (none at $root/build/kiru-capture)"
fi
# Says that the program does not start (on host $1, for reason $2) and how to name another.
unstarted() {
    say "cannot start $sought${1:+ on $1}: $2; name another with KIRU_CAPTURE=/path/to/kiru-capture"
    exit 1
}

# The jobs' frame lists come from the program (--list-jobs), which refuses bad options as a
# single run would; asking it is also the check that it starts, here or on every host, before
# anything is made.
plan=("${pass[@]}" --list-jobs "$jobs")
[ -z "$frames" ] || plan+=(--frames "$frames")
[ -z "$video" ] || plan+=(--video "$video")
[ -z "$out" ] || plan+=(--out "$out")
notes=$(mktemp -d)
trap 'rm -rf "$notes"' EXIT
status=0
host=""
if [ -z "$hosts" ]; then
    if ! command -v -- "$capture" >/dev/null; then
        [[ $capture == */* && -e $capture ]] && unstarted "" "not executable"
        unstarted "" "not found"
    fi
    "$capture" "${plan[@]}" >"$notes/jobs" 2>"$notes/errors" || status=$?
else
    # Each host's lines come tagged with its name; every host is asked the same, so one host's
    # lists are the plan.
    parallel --nonall --tag -S "$hosts" --joblog "$notes/log" -q "$capture" "${plan[@]}" \
        >"$notes/tagged" 2>"$notes/errors" || status=$?
    awk -F '\t' 'NR == 1 { host = $1 } $1 == host { print $2 }' "$notes/tagged" >"$notes/jobs"
    if [ "$status" -ne 0 ]; then
        # The first host that failed, its status, and its own lines untagged; this machine is ":"
        # to parallel. Without one, parallel's own lines say what went wrong.
        read -r host status < <(awk -F '\t' 'NR > 1 && ($7 != 0 || $8 != 0) {
            print $2, $8 != 0 ? 128 + $8 : $7; exit }' "$notes/log" 2>/dev/null) || true
        if [ -n "$host" ]; then
            awk -F '\t' -v host="$host" '$1 == host { sub(/^[^\t]*\t/, ""); print }' \
                "$notes/errors" >"$notes/own"
            mv -f "$notes/own" "$notes/errors"
        fi
        [ "$host" != : ] || host="this machine"
    fi
fi
if [ "$status" -ne 0 ]; then
    # A refusal of the options is kiru-capture's own line and status; anything else means that
    # the program did not start.
    line=$(grep -m 1 '^kiru-capture: ' "$notes/errors" || true)
    [ -z "$line" ] || { echo "$line" >&2; exit "$status"; }
    unstarted "$host" "$(awk 'NF { last = $0 } END { print last }' "$notes/errors" |
        sed -E 's/\r.*//; s/^.*line [0-9]+: //; s/^$/status '"$status"'/')"
fi

if [ -n "$video" ] && [ -e "$video" ] && ! [ -f "$video" ]; then
    say "the video \"$video\" is not a regular file (only a new name or a regular file is written)"
    exit 2
fi
# The work happens in a hidden folder beside the video (or the stills' folder), so that the
# joined video is renamed into place; it goes when the farm ends, whatever happens.
target=${video:-$out}
parent=$(dirname "$target")
mkdir -p "$parent"
scratch=$(cd "$(mktemp -d "$parent/.farm.XXXXXX")" && pwd)
trap 'rm -rf "$notes" "$scratch"' EXIT
awk '{ print NR "\t" $0 }' "$notes/jobs" >"$scratch/jobs"

ending=""
outputs=()
returns=()
if [ -n "$video" ]; then
    ending=.${video##*.}
    outputs+=(--video "segment-{1}$ending")
    returns+=(--return "segment-{1}$ending")
fi
if [ -n "$out" ]; then
    outputs+=(--out "stills-{1}")
    returns+=(--return "stills-{1}")
fi
engine=(parallel --colsep '\t' --halt now,fail=1 --joblog "$scratch/log" -q)
if [ -n "$hosts" ]; then
    # The jobs run in a folder of this same path on every machine; a remote one sends its
    # outputs back (the same files where the folder is shared or the machine this one).
    engine+=(-S "$hosts" --wd . "${returns[@]}")
else
    engine+=(-j "$jobs")
fi
status=0
(cd "$scratch" && "${engine[@]}" "$capture" "${pass[@]}" --frames {2} "${outputs[@]}" \
    <jobs 2>errors) || status=$?
if [ "$status" -ne 0 ]; then
    # kiru-capture's own line and the job's status, or the signal's; parallel's own account of
    # the failed job is left out. 1 when parallel itself failed.
    line=$(awk '/^kiru-capture: / { print; found = 1; exit }
        !/^parallel: / && other == "" { other = $0 } END { if (!found) print other }' \
        "$scratch/errors")
    echo "${line:-farm: a job failed}" >&2
    code=$(awk 'NR > 1 && ($7 != 0 || $8 != 0) { print $8 != 0 ? 128 + $8 : $7; exit }' \
        "$scratch/log" 2>/dev/null || true)
    exit "${code:-1}"
fi
cat "$scratch/errors" >&2

count=$(wc -l <"$scratch/jobs")
if [ -n "$video" ]; then
    for k in $(seq "$count"); do
        echo "file 'segment-$k$ending'"
    done >"$scratch/segments"
    muxing=()
    if [ "$ending" = .mp4 ] || [ "$ending" = .MP4 ]; then
        # As kiru-capture writes it: counted in frames, the index first, no edit list.
        muxing=(-video_track_timescale 60 -movflags +faststart+negative_cts_offsets
            -use_editlist 0)
    fi
    joined=$scratch/joined$ending
    if ! (cd "$scratch" && ffmpeg -nostdin -v error -f concat -safe 0 -i segments -c copy \
        "${muxing[@]}" "$joined" 2>"$scratch/ffmpeg.log"); then
        say "cannot join the segments into $video: $(head -n 1 "$scratch/ffmpeg.log")"
        exit 1
    fi
    mv -f "$joined" "$video"
fi
if [ -n "$out" ]; then
    mkdir -p "$out"
    find "$scratch" -path "$scratch/stills-*" -name 'frame-*.png' -exec mv -f -t "$out" {} +
fi
if [ -n "$hosts" ]; then
    # The jobs' folder goes on every machine (only a folder of the farm's own).
    (cd "$scratch" && parallel --nonall -S "$hosts" --wd . \
        'case $PWD in */.farm.??????) rm -rf -- "$PWD" ;; esac' 2>/dev/null) || true
fi
