# Sourced by the scripts that make an artifact (package.sh, windows.sh, web.sh), after common.sh,
# and by reproducible.sh: fixes what of the builder's environment would reach the artifact's bytes,
# so that two builds of one commit give the same bytes whenever, wherever and by whomever they
# run, and records what each artifact was built from.

artifactInGit() {
    [ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" = "$(cd "$root" && pwd -P)" ]
}

# SOURCE_DATE_EPOCH is the one time that every time stamp inside an artifact takes. A value
# already set is kept; otherwise it is the last commit's date, or, outside a git checkout, the
# date of the newest entry of data/changelog.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    if artifactInGit; then
        SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
    else
        changed=$(sed -n -E '0,/^ -- /s/^ -- .*>  (.*)$/\1/p' "$root/data/changelog")
        [ -n "$changed" ] || { echo "data/changelog: no dated entry" >&2; exit 2; }
        SOURCE_DATE_EPOCH=$(date -d "$changed" +%s)
    fi
fi
[[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] || {
    echo "SOURCE_DATE_EPOCH must be a number of seconds since 1970, not '$SOURCE_DATE_EPOCH'" >&2
    exit 2
}
export SOURCE_DATE_EPOCH
# Files and folders the build writes, and so the archives' members, are rw-r--r-- and rwxr-xr-x
# whatever the builder's own umask.
umask 022

# What the checkout holds: "COMMIT EPOCH", or nothing when it is not a git checkout or has
# changes that are not committed (an artifact of those is never reused).
artifactSource() {
    artifactInGit && git -C "$root" diff --quiet HEAD || return 0
    echo "$(git -C "$root" rev-parse HEAD) $SOURCE_DATE_EPOCH"
}
# The record of what the artifact of build folder $1 was made from, which scripts/reproducible.sh
# reads to reuse it: artifactBuilding forgets it before a build, artifactBuilt writes it after,
# artifactFresh succeeds when it is this checkout.
artifactBuilding() { rm -f "$1/artifact-source"; }
artifactBuilt() { artifactSource >"$1/artifact-source"; }
artifactFresh() {
    local source
    source=$(artifactSource)
    [ -n "$source" ] && [ "$(cat "$1/artifact-source" 2>/dev/null)" = "$source" ]
}
