#!/usr/bin/env bash
# Gathers what bench/gpu.sh needs on a GPU machine without network into one folder: kiru-capture,
# eglinfo (to show which EGL answers) when it is installed here, and the libraries they link or
# that SDL opens for EGL, but for the C and C++ runtimes, which such a machine has in a version
# that runs programs built against Debian 12's. Mesa's drivers stay behind, so that only the
# GPU's own EGL can draw there. FFmpeg's command-line tool stays behind too: its own libraries
# would add 60 MB to the 55 MB that travel, so the GPU run measures no PSNR. The folder is packed
# as one .tar.xz beside it, the form that travels.
# Usage: bench/gpu_pack.sh [build folder]   (default: build; makes BUILD/gpu and BUILD/gpu.tar.xz)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
pack=$build/gpu
rm -rf "$pack" "$pack.tar.xz"
mkdir -p "$pack/bin" "$pack/lib"
programs=("$build/kiru-capture")
if command -v eglinfo.x86_64-linux-gnu >/dev/null; then
    programs+=("$(command -v eglinfo.x86_64-linux-gnu)")
else
    echo "gpu_pack: no eglinfo here (Debian's mesa-utils-bin): the GPU run cannot show its EGL" >&2
fi
for program in "${programs[@]}"; do
    cp -L "$program" "$pack/bin/$(basename "${program%.x86_64-linux-gnu}")"
done
# SDL opens the EGL and GL dispatchers by name; the vendor's driver behind them is the machine's.
opened=()
for name in libEGL.so.1 libGL.so.1 libOpenGL.so.0; do
    opened+=("$(ldconfig -p | awk -v name="$name" '$1 == name && /x86-64/ { print $NF; exit }')")
done
runtimes='/(libc|libm|libdl|libpthread|librt|libresolv|libutil|libstdc\+\+|libgcc_s)\.so'
ldd "${programs[@]}" "${opened[@]}" | awk '$3 ~ /^\// { print $3 }' | sort -u |
    grep -vE "$runtimes" | xargs cp -L -t "$pack/lib"
cp -L "${opened[@]}" "$pack/lib/"
tar -C "$build" -cf - gpu | xz -T0 -9 >"$pack.tar.xz"
echo "$pack.tar.xz: $(du -h "$pack.tar.xz" | cut -f1) ($(ls "$pack/lib" | wc -l) libraries)"
