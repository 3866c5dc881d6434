#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless: the plain build, the
# web build in headless Chromium against the native frames, the Windows build under Wine, the
# Debian package, then the native suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Starts its own Xvfb when there is no display.
# Exits non-zero if anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

bash scripts/deps.sh test

xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
            xvfb_pid=$!
            for _ in $(seq 100); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                sleep 0.1
            done
            export DISPLAY=":$n"
            break
        fi
    done
    [ -n "$xvfb_pid" ] || { echo "could not start Xvfb" >&2; exit 1; }
    echo "Started Xvfb on $DISPLAY"
fi
# Mesa's software renderer: the same pixels on every machine, no GPU needed.
export LIBGL_ALWAYS_SOFTWARE=1

echo "== Format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== Build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIRU_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
echo "== Tests"
ctest --test-dir build --output-on-failure -j"$jobs" -LE 'browser|wine|wayland'
echo "== Native Wayland: weston in its own Xvfb, and weston with no seat"
ctest --test-dir build --output-on-failure -V -L wayland
echo "== Benchmarks (a short smoke run)"
build/bench/kiru_bench --benchmark_min_time=0.01

echo "== Web build"
bash scripts/web.sh --build
echo "== The web page in headless Chromium against kiru-capture"
ctest --test-dir build --output-on-failure -V -L browser

echo "== Windows build (mingw-w64; its libraries come from a cache when it is there)"
bash scripts/windows.sh --tests
echo "== The Windows build's tests under Wine"
# One Wine process per test: the CPU tests side by side, the windows one at a time.
ctest --test-dir build-windows --output-on-failure -j"$jobs" -L cpu
ctest --test-dir build-windows --output-on-failure -L gl
ctest --test-dir build --output-on-failure -L wine

echo "== The Debian package: built, checked by lintian, installed, run from another folder, removed"
# Installing it needs root and a machine where kiru is not installed already (the check removes
# it again); otherwise the package is only built and checked by lintian.
if [ "$(id -u)" -eq 0 ] && ! bash scripts/installed.sh; then
    bash scripts/package.sh --check
else
    bash scripts/package.sh
fi

echo "== Build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKIRU_WERROR=ON -DKIRU_SANITIZE=ON \
    -DKIRU_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
echo "== Tests under the sanitizers"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
sanitize="abort_on_error=1:strict_string_checks=1"
# The CPU tests construct and release all twelve instances, so leaks of our own show there.
LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" ASAN_OPTIONS="$sanitize:detect_leaks=1" \
    ctest --test-dir build-asan --output-on-failure -j"$jobs" -L cpu
# Processes with a GL context unload the GL driver at exit, which leaves the driver's own
# lifetime allocations without symbols for the leak checker to tell apart; address and
# undefined-behaviour checks stay on.
ASAN_OPTIONS="$sanitize:detect_leaks=0" ctest --test-dir build-asan --output-on-failure \
    -j"$jobs" -LE 'cpu|browser|wine'
echo "== All tests passed"
