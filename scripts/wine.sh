#!/usr/bin/env bash
# Runs a Windows program under Wine in kiru's own Wine prefix, which it makes on first use, with
# nothing popping up: no Mono or Gecko installer, no debug chatter. The program's exit status is
# this script's. The Windows build's tests run through it.
# Usage: scripts/wine.sh PROGRAM.exe [ARGUMENTS...]
# The prefix (about 700 MB, kept between runs and shared by every clone):
#   ${KIRU_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/kiru/wine-prefix}
set -euo pipefail
export WINEPREFIX="${KIRU_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/kiru/wine-prefix}"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

mkdir -p "$(dirname "$WINEPREFIX")"
# One caller at a time makes the prefix and starts its session (tests may start together).
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making the Wine prefix $WINEPREFIX" >&2
        # Without a display, so that Wine shows no progress window.
        if ! made=$(DISPLAY="" wineboot --init 2>&1 9>&- && wineserver -w 2>&1); then
            echo "$made" >&2
            echo "wine.sh: could not make the Wine prefix $WINEPREFIX" >&2
            exit 1
        fi
    fi
    # A session's server and its background programs (services.exe and the like) outlive the
    # program that starts them and keep its standard error: started by the program, they would
    # hold the caller's pipe open for seconds after it ends, and a caller that reads to the end
    # (a test runner) would wait for them. So they start here with no output of ours. The server
    # stays 10 s after the last program, so that programs run one after the other share it; when
    # it is already running, `wineserver` ends at once with status 2.
    # (Neither may keep the lock.)
    if wineserver -p10 </dev/null >/dev/null 2>&1 9>&-; then
        wine wineboot </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
