# Sourced by scripts/windows.sh: Debian's own source packages, fetched through a private apt
# configuration with its own sources and lists under $apt_dir. The sources are the machine's apt
# sources turned into deb-src ones; the system's apt configuration is only read.
#
# Offers: sourcesListsUpdate (fetch the lists once per set of sources), sourceNewest NAME (the
# newest version in the lists) and sourceFetch NAME INTO (unpack it, Debian's patches applied).

# apt-get and apt-cache with only the private sources and lists (and no shared package caches).
aptPrivate() {
    local tool=$1
    shift
    local options=(
        -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
        -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
    )
    # As root, apt hands downloads to its _apt user, who may not write into these folders.
    if [ "$(id -u)" -eq 0 ]; then
        options+=(-o "APT::Sandbox::User=root")
    fi
    "$tool" "${options[@]}" "$@"
}

# The machine's sources as deb-src entries into folder $1, in both of apt's forms: one-line
# "deb ..." lines and deb822 stanzas, whose Types become deb-src.
sourcesDerive() {
    local out=$1 list parts file
    eval "$(apt-config shell list Dir::Etc::sourcelist/f parts Dir::Etc::sourceparts/d)"
    rm -rf "$out" && mkdir -p "$out/sources.list.d"
    : >"$out/sources.list"
    for file in "$list" "$parts"*.list; do
        [ -f "$file" ] || continue
        sed -n -E 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "$file" >>"$out/sources.list"
    done
    for file in "$parts"*.sources; do
        [ -f "$file" ] || continue
        sed -E 's/^Types:.*/Types: deb-src/' "$file" >"$out/sources.list.d/$(basename "$file")"
    done
}

# The lists are fetched once per set of sources; remove $apt_dir to fetch them again.
sourcesListsUpdate() {
    mkdir -p "$apt_dir"
    sourcesDerive "$apt_dir/derived.new"
    if diff -rq "$apt_dir/derived.new" "$apt_dir/derived" >/dev/null 2>&1 &&
        ls "$apt_dir/lists" 2>/dev/null | grep -q _Sources; then
        rm -rf "$apt_dir/derived.new"
        return 0
    fi
    rm -rf "$apt_dir/derived" "$apt_dir/sources.list" "$apt_dir/sources.list.d"
    mv "$apt_dir/derived.new" "$apt_dir/derived"
    cp -r "$apt_dir/derived/sources.list" "$apt_dir/derived/sources.list.d" "$apt_dir/"
    mkdir -p "$apt_dir/lists/partial"
    aptPrivate apt-get -qq update || {
        echo "windows.sh: could not fetch the lists of Debian's source packages" >&2
        return 1
    }
}

# A source package's versions in the lists, newest first (in dpkg's order, which sort(1) lacks).
sourceVersions() {
    local sorted=() version i
    while read -r version; do
        for ((i = ${#sorted[@]}; i > 0; i--)); do
            dpkg --compare-versions "$version" le "${sorted[i - 1]}" && break
            sorted[i]=${sorted[i - 1]}
        done
        sorted[i]=$version
    done < <(aptPrivate apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p')
    printf '%s\n' "${sorted[@]}"
}

sourceNewest() {
    local versions
    mapfile -t versions < <(sourceVersions "$1")
    local newest=${versions[0]:-}
    [ -n "$newest" ] || {
        echo "windows.sh: the source package $1 is not in the lists of $apt_dir" >&2
        return 1
    }
    echo "$newest"
}

# Unpacks source package $1 into folder $2 (under a scratch folder $3), the newest version that
# the archive serves: a mirror may list a security update before it serves it. Prints
# "NAME VERSION" of what it took.
sourceFetch() {
    local source=$1 into=$2 download=$3/$1 newest version said=""
    newest=$(sourceNewest "$source")
    mkdir -p "$download"
    for version in $(sourceVersions "$source"); do
        if said=$(cd "$download" &&
            aptPrivate apt-get -qq source --only-source "$source=$version" 2>&1); then
            [ "$version" = "$newest" ] ||
                echo "Note: $source $newest could not be fetched; using $version" >&2
            mv "$(find "$download" -mindepth 1 -maxdepth 1 -type d)" "$into"
            echo "$source $version"
            return 0
        fi
    done
    echo "$said" >&2
    echo "windows.sh: could not fetch any version of the source package $source" >&2
    return 1
}
