#!/usr/bin/env bash
# Installs what is missing, builds the web page into build-web/page with Debian's Emscripten (the
# same bytes from any clone of one commit: scripts/artifact_env.sh, src/web/CMakeLists.txt) and
# serves it on http://127.0.0.1:8000 (this machine only) until Ctrl+C.
# Usage: scripts/web.sh [--build]   (--build: build and stop)
set -euo pipefail
source "$(dirname "$0")/common.sh"
serve=1
flagGiven --build "scripts/web.sh [--build]" "$@" && serve=0

bash scripts/deps.sh web
source scripts/artifact_env.sh
artifactBuilding build-web
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-web -j"$(nproc)"
artifactBuilt build-web

echo "The page, build-web/page:"
total=0
for file in index.html kiru.js kiru.wasm kiru.data; do
    size=$(stat -c %s "build-web/page/$file")
    total=$((total + size))
    printf '  %-10s %7d bytes\n' "$file" "$size"
done
printf '  %-10s %7d bytes\n' total "$total"

if [ "$serve" = 1 ]; then
    echo "Serving http://127.0.0.1:8000/ (this machine only); Ctrl+C stops."
    exec python3 -m http.server 8000 --bind 127.0.0.1 --directory build-web/page
fi
