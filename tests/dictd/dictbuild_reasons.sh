#!/usr/bin/env bash
# dictbuild names the reason when it cannot write its output, and leaves nothing behind.
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'term\tdefinition\n' >"$work/source.tsv"

expect_failure() { # <what the message must say> <output>
    if "$bin/dictbuild" "$work/source.tsv" "$2" 2>"$work/message"; then
        echo "dictbuild wrote $2"
        exit 1
    fi
    grep -q -- "$1" "$work/message" || {
        echo "expected \"$1\", got: $(cat "$work/message")"
        exit 1
    }
    [ ! -e "$2.part" ] || { echo "$2.part was left behind"; exit 1; }
}

# A folder in the way of the output: it stays, and the message says why nothing was written.
mkdir -p "$work/taken.mdb/inside"
expect_failure "cannot create $work/taken.mdb: [A-Za-z]" "$work/taken.mdb"
[ -d "$work/taken.mdb/inside" ] || { echo "the folder in the way was changed"; exit 1; }
expect_failure "the folder does not exist" "$work/missing/Dict.mdb"

# A spelling dictionary that cannot be read is named before anything is imported or written.
if "$bin/dictbuild" --forms "$work/none.aff" "$work/none.dic" "$work/source.tsv" "$work/forms.mdb" \
    2>"$work/message"; then
    echo "dictbuild wrote forms without a spelling dictionary"
    exit 1
fi
grep -q "$work/none.aff" "$work/message" || { echo "got: $(cat "$work/message")"; exit 1; }
[ ! -e "$work/forms.mdb" ] || { echo "$work/forms.mdb was written"; exit 1; }
echo "dictbuild names the reason for each output it cannot write"
