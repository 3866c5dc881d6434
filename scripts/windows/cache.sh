# Sourced by scripts/windows.sh: the cache of built libraries, one folder per key under $cache,
# shared by every clone on the machine.
#
# Offers: cacheKeyText (what the key stands for) and cacheLibraries (sets prefix to the folder of
# the current key's libraries, building them first when no complete one is there).

# The source packages' versions, the toolchain's packages, the toolchain file and the recipe (every
# file of scripts/windows/): a change to any of them gives a new key, so the libraries are built
# once more.
cacheKeyText() {
    local source version
    dpkg-query -W -f='${Package} ${Version}\n' g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    (cd "$root" && sha256sum cmake/mingw-w64-x86_64.cmake scripts/windows/*.sh)
    for source in $(librariesSources); do
        version=$(sourceNewest "$source")
        echo "$source $version"
    done
}

cacheLibraries() {
    local key_text key work
    key_text=$(cacheKeyText)
    key=$(echo "$key_text" | sha256sum | cut -c1-12)
    prefix="$cache/$key"
    mkdir -p "$cache"
    # One builder per key at a time; the others wait and then reuse its libraries.
    exec 9>"$prefix.lock"
    flock 9
    if [ -f "$prefix/.complete" ]; then
        echo "Libraries: reusing $prefix"
    else
        echo "Libraries: building into $prefix (once per key)"
        rm -rf "$prefix"
        mkdir -p "$prefix"
        echo "$key_text" >"$prefix/KEY.txt"
        work=$(mktemp -d "$cache/work.XXXXXX")
        librariesBuild "$prefix" "$work"
        rm -rf "$work"
        touch "$prefix/.complete"
    fi
    exec 9>&-
}
