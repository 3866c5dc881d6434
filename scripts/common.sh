# Sourced by the scripts that take one optional flag: makes the source folder the working folder
# (as $root) and reads the flag.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# Usage: flagGiven FLAG USAGE "$@". Succeeds when the only argument is FLAG, fails when there is
# none; anything else prints USAGE and ends the script with status 2.
flagGiven() {
    local flag=$1 usage=$2
    shift 2
    if [ $# -eq 0 ]; then
        return 1
    elif [ $# -eq 1 ] && [ "$1" = "$flag" ]; then
        return 0
    fi
    echo "usage: $usage" >&2
    exit 2
}
