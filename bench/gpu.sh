#!/usr/bin/env bash
# The capture bench on a machine with an NVIDIA GPU and no display: kiru-capture draws through
# SDL's offscreen (EGL) driver on the GPU, and bench/capture_bench.sh times render only, each
# video format and stills at 1920 x 1080 and 3840 x 2160, printing the same ratios and bytes and
# the unpaced render's frame rate. Only NVIDIA's EGL is offered to the programs, so a
# run that cannot use the GPU fails rather than drawing in software, and eglinfo's lines say
# which EGL answered (without an NVIDIA driver it runs on whatever EGL there is, and says so).
# The programs and their libraries come from what bench/gpu_pack.sh made on a build machine, so
# that the GPU machine needs no network or packages (FFmpeg's ffmpeg, for the PSNR, only when it
# is there); run it from the repository root, whose res/ the demo reads.
# Usage: bench/gpu.sh [pack]   (default: build/gpu.tar.xz, else the folder build/gpu)
# Settings: SIZES="1920x1080 3840x2160", ROUNDS=1, MODES as the bench takes them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pack=${1:-$root/build/gpu.tar.xz}
[ -n "${1:-}" ] || [ -e "$pack" ] || pack=$root/build/gpu
if ! [ -e "$pack" ]; then
    echo "gpu: no $pack: make it on the build machine with bash bench/gpu_pack.sh" >&2
    exit 1
fi
if [ -f "$pack" ]; then
    unpacked=$(mktemp -d)
    trap 'rm -rf "$unpacked"' EXIT
    tar -C "$unpacked" -xJf "$pack"
    pack=$unpacked/gpu
fi
pack=$(cd "$pack" && pwd)
unset DISPLAY WAYLAND_DISPLAY
export PATH=$pack/bin:$PATH LD_LIBRARY_PATH=$pack/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}

# The vendor file that NVIDIA's driver installs, where this kind of machine keeps it.
vendor=""
for dir in /usr/local/nvidia/share /usr/share /etc; do
    if [ -f "$dir/glvnd/egl_vendor.d/10_nvidia.json" ]; then
        vendor=$dir/glvnd/egl_vendor.d/10_nvidia.json
        break
    fi
done
if [ -n "$vendor" ]; then
    export __EGL_VENDOR_LIBRARY_FILENAMES=$vendor
    for dir in /usr/local/nvidia/lib64 /usr/local/nvidia/lib; do
        [ ! -d "$dir" ] || LD_LIBRARY_PATH+=:$dir
    done
    nvidia-smi --query-gpu=name,driver_version --format=csv,noheader 2>/dev/null || true
else
    echo "gpu: no NVIDIA EGL vendor file here: these figures are of the EGL below, not a GPU's"
fi
if command -v eglinfo >/dev/null; then
    eglinfo 2>/dev/null | grep -E '^[A-Za-z]+ platform:|EGL (vendor string|driver name)' || true
fi
for size in ${SIZES:-1920x1080 3840x2160}; do
    echo "== $size"
    SIZE=$size ROUNDS=${ROUNDS:-1} bash "$root/bench/capture_bench.sh" "$pack/bin"
done
