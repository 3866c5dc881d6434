#!/usr/bin/env bash
# Checks that this commit's artifacts are reproducible: builds the Debian package
# (scripts/package.sh), the Windows zip (scripts/windows.sh) and the web page (scripts/web.sh
# --build) once more in a second clone at another path, compares them byte for byte with this
# checkout's, and names each file that differs, with diffoscope's account of it when diffoscope is
# installed. When all agree it writes dist/SHA256SUMS: the SHA-256 of each, by its path from the
# source folder. Exits 1 when a file differs.
#
# This checkout's artifacts are reused when they were built from this commit (each build script
# records that in its build folder), and built first otherwise. The Windows libraries come from
# the machine's cache, which both clones share. The second clone is removed at the end.
# Usage: scripts/reproducible.sh
set -euo pipefail
source "$(dirname "$0")/common.sh"
[ $# -eq 0 ] || { echo "usage: scripts/reproducible.sh" >&2; exit 2; }
given_epoch=${SOURCE_DATE_EPOCH:-}
source scripts/artifact_env.sh
artifactInGit || { echo "reproducible.sh: $root is not a git checkout" >&2; exit 2; }
git diff --quiet HEAD || {
    echo "reproducible.sh: the checkout has changes not committed, which a clone would lack" >&2
    exit 2
}

began=$SECONDS
commit=$(git rev-parse HEAD)
version=$(sed -n -E 's/^project\(kiru VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
deb="dist/kiru_${version}_amd64.deb"
zip="dist/kiru-$version-windows-x64.zip"
rm -f dist/SHA256SUMS

# This checkout's set: each artifact with its build folder and the command that makes it.
artifacts=("$deb build-package scripts/package.sh" "$zip build-windows scripts/windows.sh"
    "build-web/page build-web scripts/web.sh --build")
for artifact in "${artifacts[@]}"; do
    read -r path build command <<<"$artifact"
    if [ -e "$path" ] && artifactFresh "$build"; then
        echo "== Reusing $path, built from this commit"
    else
        echo "== Building $path here"
        bash $command || { echo "reproducible.sh: $command failed here" >&2; exit 1; }
    fi
done

second=$(mktemp -d "${TMPDIR:-/tmp}/kiru-second.XXXXXX")
trap 'rm -rf "$second"' EXIT
clone="$second/kiru"
echo "== The second set, in a clone of $commit at $clone ($((SECONDS - began)) s so far)"
git clone -q --no-checkout "$root" "$clone"
git -C "$clone" checkout -q --detach "$commit"
# A date given to this script holds for both sets; otherwise each finds it on its own.
[ -n "$given_epoch" ] || unset SOURCE_DATE_EPOCH
for artifact in "${artifacts[@]}"; do
    read -r path build command <<<"$artifact"
    (cd "$clone" && bash $command) || {
        echo "reproducible.sh: $command failed in the second clone" >&2
        exit 1
    }
done

echo "== Comparing ($((SECONDS - began)) s so far)"
files=$( (
    find "$deb" "$zip" build-web/page -type f || true
    cd "$clone" && find "$deb" "$zip" build-web/page -type f || true
) 2>/dev/null | LC_ALL=C sort -u)
differ=0
for file in $files; do
    if cmp -s "$file" "$clone/$file"; then
        echo "same:    $file"
        continue
    fi
    differ=1
    echo "DIFFERS: $file"
    if command -v diffoscope >/dev/null && [ -f "$file" ] && [ -f "$clone/$file" ]; then
        { diffoscope --text - "$file" "$clone/$file" || true; } | head -n 200
    fi
done
if [ "$differ" -ne 0 ]; then
    echo "reproducible.sh: the second build of $commit differs from the first" >&2
    exit 1
fi
sha256sum $files >dist/SHA256SUMS
echo "dist/SHA256SUMS: the ${version} artifacts of $commit, the same from both clones" \
    "($((SECONDS - began)) s)"
