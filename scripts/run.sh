#!/usr/bin/env bash
# Installs what is missing, builds kiru and starts kiru-realtime, the build that plays the demo at
# its true speed on any display; arguments go to it (width height fullScreenFlag, e.g.
# "640 480 0" for a window).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/deps.sh run
# The test command's build type and folder: one build serves both, and only these programs are
# built here.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target kiru kiru-unpaced kiru-realtime kiru-capture
exec build/kiru-realtime "$@"
