#!/usr/bin/env bash
# The docs hold together: every relative link in the README and docs/ reaches a file, and a
# heading there when it names one; kiru-capture(1) documents every option that --help lists.
# Usage: tests/docs_test.sh KIRU_CAPTURE
set -euo pipefail
capture=$1
cd "$(dirname "$0")/.."

# A heading's anchor as GitHub makes it: lower case, punctuation but '-' and '_' dropped, each
# space a '-'.
anchors() {
    sed -n 's/^#\{1,6\} \(.*\)$/\1/p' "$1" | tr '[:upper:]' '[:lower:]' |
        sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}

status=0
for page in README.md docs/*.md; do
    # [text](target) with no scheme; inline code is left out, where brackets are only code.
    while IFS= read -r target; do
        file=${target%%#*}
        anchor=${target#"$file"}
        path=$(dirname "$page")/$file
        [ -n "$file" ] || path=$page
        if [ ! -e "$path" ]; then
            echo "$page: the link \"$target\" reaches no file"
            status=1
        elif [ -n "$anchor" ] && ! anchors "$path" | grep -qxF -- "${anchor#\#}"; then
            echo "$page: the link \"$target\" names no heading of $path"
            status=1
        fi
    done < <(sed 's/`[^`]*`//g' "$page" | grep -o '\](\([^)]*\))' | sed 's/^](\(.*\))$/\1/' |
        grep -vE '^[a-z]+:')
done

man=data/man/kiru-capture.1.in
while IFS= read -r option; do
    if ! grep -q -- "${option//-/\\\\-}" "$man"; then
        echo "$man does not document $option, which kiru-capture --help lists"
        status=1
    fi
done < <("$capture" --help | grep -oE -- '--[a-z-]+' | sort -u)

[ "$status" -eq 0 ] && echo "every link resolves and the man page names every option"
exit "$status"
