# Sourced by the scripts that make an artifact (package.sh, windows.sh, web.sh), after common.sh:
# fixes what of the builder's environment would reach the artifact's bytes, so that two builds of
# one commit give the same bytes whenever, wherever and by whomever they run.
#
# SOURCE_DATE_EPOCH is the one time that every time stamp inside an artifact takes. A value
# already set is kept; otherwise it is the last commit's date, or, outside a git checkout, the
# date of the newest entry of data/changelog.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    here=$(cd "$root" && pwd -P)
    if [ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" = "$here" ]; then
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
