#!/usr/bin/env bash
# The test command: installs what each stage needs, builds what it needs that is not built, and
# runs the tests headless (in its own Xvfb when there is no display). With no stage named it runs
# every stage in the order below; `--help` lists them.
# Usage: scripts/test.sh [STAGE...]
# The last line counts the tests that passed, failed and were skipped, over every ctest run of
# the stages run. Under CI (CI=true), where everything is installed, a skipped test fails the run;
# elsewhere each skip is told with its reason. Exits non-zero if anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

stages=(format native demo-alone wayland web windows package reproducible sanitizers)
declare -A about=(
    [format]="clang-format's check of every .cpp and .h"
    [native]="the native build, its tests but the wayland, browser and wine ones, a bench smoke run"
    [demo-alone]="the demo built without kiru-capture (KIRU_CAPTURE=OFF): no FFmpeg, libpng or CLI11"
    [wayland]="kiru-realtime and kiru-capture under weston, with a seat and without"
    [web]="the web page built with Emscripten, drawn in headless Chromium against kiru-capture"
    [windows]="the Windows cross-build, its tests and programs under Wine"
    [package]="the Debian package, checked by lintian; as root also installed, run and removed"
    [reproducible]="the artifacts built twice and compared (scripts/reproducible.sh)"
    [sanitizers]="the native tests again under AddressSanitizer and UndefinedBehaviorSanitizer"
)

usage() {
    echo "usage: scripts/test.sh [STAGE...]   (no stage: all of them, in this order)"
    for stage in "${stages[@]}"; do
        printf '  %-13s %s\n' "$stage" "${about[$stage]}"
    done
}

chosen=()
for arg in "$@"; do
    if [ "$arg" = --help ] || [ "$arg" = -h ]; then
        usage
        exit 0
    elif [ -z "${about[$arg]+set}" ]; then
        echo "scripts/test.sh: no stage \"$arg\" (one of: ${stages[*]})" >&2
        exit 2
    fi
    chosen+=("$arg")
done
[ ${#chosen[@]} -gt 0 ] || chosen=("${stages[@]}")

# Every ctest run writes its results here; the count at the end reads them all. The tests' own
# scratch folders (GoogleTest's TempDir) go here too, so that test commands of two checkouts on
# one machine keep apart.
results=$(mktemp -d)
export TEST_TMPDIR=$results/scratch/
mkdir "$TEST_TMPDIR"
runs=0
xvfb_pid=""
stage=""
finish() {
    local status=$? passed=0 failed=0 skipped=0 file
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    for file in "$results"/*.count; do
        [ -e "$file" ] || continue
        read -r p f s <"$file"
        passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
    done
    # A test may leave a folder it made unwritable; nothing in it is kept.
    chmod -R u+rwX "$results" 2>/dev/null || true
    rm -rf "$results" || true
    local verdict="all stages passed"
    [ "$status" -eq 0 ] || verdict="stage $stage failed"
    echo "== $verdict: $passed tests passed, $failed failed, $skipped skipped"
    exit "$status"
}
trap finish EXIT

# Starts a private Xvfb once, unless a display is named; Mesa's software renderer draws, the same
# pixels on every machine.
displayEnsure() {
    export LIBGL_ALWAYS_SOFTWARE=1
    [ -z "${DISPLAY:-}" ] || return 0
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
            xvfb_pid=$!
            for _ in $(seq 100); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                sleep 0.1
            done
            export DISPLAY=":$n"
            echo "Started Xvfb on $DISPLAY"
            return 0
        fi
    done
    echo "could not start Xvfb" >&2
    return 1
}

# Usage: testsRun BUILD_DIR CTEST_ARGS... Runs ctest there and counts its results; each skipped
# test is told with its reason (the line after GoogleTest's "Skipped"), and under CI it fails the
# run.
testsRun() {
    local dir=$1 junit="$results/$runs.xml" status=0
    shift
    runs=$((runs + 1))
    ctest --test-dir "$dir" --output-on-failure --no-tests=error --output-junit "$junit" "$@" ||
        status=$?
    [ -f "$junit" ] || return "$status"
    # A line a test: P (passed), F (failed, timed out or not run) or S, its name and the reason.
    local outcomes
    outcomes=$(awk '
        function attribute(key) {
            return match($0, key "=\"[^\"]*\"") ? substr($0, RSTART + length(key) + 2,
                                                          RLENGTH - length(key) - 3) : ""
        }
        function text(xml) {
            gsub(/&lt;/, "<", xml); gsub(/&gt;/, ">", xml); gsub(/&quot;/, "\"", xml)
            gsub(/&apos;/, "\047", xml); gsub(/&amp;/, "\\&", xml)
            return xml
        }
        /<testcase / { name = text(attribute("name")); status = attribute("status")
                       skipped = status == "disabled"; reason = ""; next_line = 0 }
        /<skipped message="SKIP_/ { skipped = 1 }
        next_line { reason = text($0); next_line = 0 }
        /: Skipped$/ && reason == "" { next_line = 1 }
        /<\/testcase>/ {
            print (skipped ? "S" : status == "run" ? "P" : "F") "\t" name "\t" reason
        }' "$junit")
    local passed failed skipped
    passed=$(grep -c '^P' <<<"$outcomes" || true)
    failed=$(grep -c '^F' <<<"$outcomes" || true)
    skipped=$(grep -c '^S' <<<"$outcomes" || true)
    echo "$passed $failed $skipped" >"$results/$runs.count"
    local name reason
    while IFS=$'\t' read -r _ name reason; do
        echo "== skipped $name: ${reason:-no reason given}"
    done < <(grep '^S' <<<"$outcomes" || true)
    if [ "$skipped" -gt 0 ] && [ "${CI:-}" = true ]; then
        echo "== under CI every test must run, and $skipped did not" >&2
        return 1
    fi
    return "$status"
}

# The plain native build in build/, brought up to date; every option is given, since
# scripts/run.sh configures the same folder without the tests.
nativeBuild() {
    bash scripts/deps.sh run native
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIRU_WERROR=ON -DKIRU_CAPTURE=ON \
        -DKIRU_BUILD_TESTS=ON -DKIRU_BUILD_BENCH=ON >/dev/null
    cmake --build build -j"$jobs"
}

stage_format() {
    bash scripts/deps.sh format
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
}

stage_native() {
    nativeBuild
    displayEnsure
    testsRun build -j"$jobs" -LE 'browser|wine|wayland'
    echo "== Benchmarks (a short smoke run)"
    build/bench/kiru_bench --benchmark_min_time=0.01
}

# Its own build folder: it builds kiru_core again, without the capture's libraries.
stage_demo-alone() {
    bash scripts/deps.sh demo native
    local build=build-demo
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIRU_WERROR=ON -DKIRU_CAPTURE=OFF \
        -DKIRU_BUILD_BENCH=OFF >/dev/null
    # Every package looked for leaves variables named after it in the cache.
    if grep -iE '^[a-z_]*(ffmpeg|libav|png|cli11)[a-z_]*[:-]' "$build/CMakeCache.txt"; then
        echo "the configure without kiru-capture looked for the libraries above" >&2
        return 1
    fi
    cmake --build "$build" -j"$jobs"
    local installed
    installed=$(mktemp -d)
    cmake --install "$build" --prefix "$installed" >/dev/null
    local programs
    programs=$(ls "$installed/bin" | tr '\n' ' ')
    rm -rf "$installed"
    if [ "$programs" != "kiru kiru-realtime kiru-unpaced " ]; then
        echo "the install without kiru-capture holds: $programs" >&2
        return 1
    fi
    displayEnsure
    testsRun "$build" -j"$jobs" -L 'cpu|gl|install'
}

stage_wayland() {
    nativeBuild
    bash scripts/deps.sh wayland
    displayEnsure
    testsRun build -V -L wayland
}

stage_web() {
    nativeBuild
    bash scripts/deps.sh browser
    bash scripts/web.sh --build
    displayEnsure
    testsRun build -V -L browser
}

stage_windows() {
    nativeBuild
    bash scripts/windows.sh --tests
    displayEnsure
    # One Wine process per test: the CPU tests side by side, the windows one at a time. Under
    # Wine the scratch folder is Windows' own.
    TEST_TMPDIR="" testsRun build-windows -j"$jobs" -L cpu
    TEST_TMPDIR="" testsRun build-windows -L gl
    testsRun build -L wine
}

stage_package() {
    displayEnsure
    # Installing it needs root and a machine where kiru is not installed already (the check
    # removes it again); otherwise the package is only built and checked by lintian.
    if [ "$(id -u)" -eq 0 ] && ! bash scripts/installed.sh; then
        bash scripts/package.sh --check
    else
        bash scripts/package.sh
    fi
}

stage_reproducible() {
    # Reuses the package, zip and page the stages before built from this commit, if they did.
    bash scripts/reproducible.sh
}

stage_sanitizers() {
    bash scripts/deps.sh run native wayland
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKIRU_WERROR=ON -DKIRU_SANITIZE=ON \
        -DKIRU_BUILD_BENCH=OFF >/dev/null
    cmake --build build-asan -j"$jobs"
    displayEnsure
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    local sanitize="abort_on_error=1:strict_string_checks=1"
    # The CPU tests construct and release all twelve instances, so leaks of our own show there.
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" ASAN_OPTIONS="$sanitize:detect_leaks=1" \
        testsRun build-asan -j"$jobs" -L cpu
    # Processes with a GL context unload the GL driver at exit, which leaves the driver's own
    # lifetime allocations without symbols for the leak checker to tell apart; address and
    # undefined-behaviour checks stay on.
    ASAN_OPTIONS="$sanitize:detect_leaks=0" testsRun build-asan -j"$jobs" -LE 'cpu|browser|wine'
}

for stage in "${chosen[@]}"; do
    echo "== Stage $stage: ${about[$stage]}"
    "stage_$stage"
done
