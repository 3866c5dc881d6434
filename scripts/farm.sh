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
# no --hosts, else kiru-capture on the PATH. With a video, each range starts on a multiple of its
# 30-frame key interval (counted in listed frames), so the joined video has the key frames of a
# single run.
# Exits with the first failed job's status (2: bad arguments) and its message.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
readonly kKeyInterval=30
readonly kLoopFrames=1-4023

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
[ -n "$frames" ] || frames=$([ -n "$video" ] && echo "$kLoopFrames" || echo 1)
[ -n "$video" ] || [ -n "$out" ] || out=capture

if [ -n "${KIRU_CAPTURE:-}" ]; then
    capture=$KIRU_CAPTURE
elif [ -z "$hosts" ] && [ -x "$root/build/kiru-capture" ]; then
    capture=$root/build/kiru-capture
else
    capture=kiru-capture
fi

# The listed frames ($1) in N contiguous ranges, one job's "k<TAB>list" a line: the ranges are
# merged, the listed frames counted, and job k takes those from the k-th share on, rounded down
# to a multiple of $2. An unreadable list goes to kiru-capture whole, which says what is wrong with it.
split() {
    awk -v list="$1" -v n="$jobs" -v key="$2" 'BEGIN {
        count = split(list, items, ",")
        for (i = 1; i <= count; ++i) {
            if (items[i] !~ /^[0-9]+(-[0-9]+)?$/) { print 1 "\t" list; exit }
            parts = split(items[i], ends, "-")
            first[i] = ends[1] + 0; last[i] = (parts == 2 ? ends[2] : ends[1]) + 0
            if (first[i] < 1 || last[i] < first[i]) { print 1 "\t" list; exit }
        }
        for (i = 1; i <= count; ++i) for (j = i + 1; j <= count; ++j)
            if (first[j] < first[i]) {
                t = first[i]; first[i] = first[j]; first[j] = t
                t = last[i]; last[i] = last[j]; last[j] = t
            }
        m = 0
        for (i = 1; i <= count; ++i) {
            if (m > 0 && first[i] <= to[m] + 1) { if (last[i] > to[m]) to[m] = last[i]; continue }
            from[++m] = first[i]; to[m] = last[i]
        }
        total = 0
        for (i = 1; i <= m; ++i) total += to[i] - from[i] + 1
        for (k = 0; k <= n; ++k) {
            cut[k] = k == n ? total : int(int(k * total / n) / key) * key
        }
        jobNumber = 0
        for (k = 0; k < n; ++k) {
            if (cut[k + 1] <= cut[k]) continue
            # Listed frames cut[k] .. cut[k + 1] - 1, counted from 0, as ranges.
            text = ""; seen = 0
            for (i = 1; i <= m; ++i) {
                size = to[i] - from[i] + 1
                lo = cut[k] > seen ? cut[k] - seen : 0
                hi = cut[k + 1] - seen < size ? cut[k + 1] - seen : size
                if (lo < hi) {
                    a = from[i] + lo; b = from[i] + hi - 1
                    text = text (text == "" ? "" : ",") (a == b ? a : a "-" b)
                }
                seen += size
            }
            print ++jobNumber "\t" text
        }
    }'
}

# The work happens in a hidden folder beside the video (or the stills' folder), so that the
# joined video is renamed into place; it goes when the farm ends, whatever happens.
shopt -s nocasematch
if [ -n "$video" ] && ! [[ $video =~ [^/]\.(mp4|webm|mkv)$ ]]; then
    say "the video \"$video\" must end in .mp4 (H.264), .webm (VP9) or .mkv (lossless FFV1)"
    exit 2
fi
shopt -u nocasematch
if [ -n "$video" ] && [ -e "$video" ] && ! [ -f "$video" ]; then
    say "the video \"$video\" is not a regular file (only a new name or a regular file is written)"
    exit 2
fi
target=${video:-$out}
parent=$(dirname "$target")
mkdir -p "$parent"
scratch=$(cd "$(mktemp -d "$parent/.farm.XXXXXX")" && pwd)
trap 'rm -rf "$scratch"' EXIT
# Stills alone need no key frames: any split will do.
split "$frames" "$([ -n "$video" ] && echo "$kKeyInterval" || echo 1)" >"$scratch/jobs"

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
