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

# So is one in another encoding than UTF-8, named by its affix file's SET line (after a byte
# order mark), and one in UTF-8 is taken, whatever stands before its SET line.
expect_forms() { # <affix file's text> <what the message must say, or nothing when accepted>
    printf '%b' "$1" >"$work/lang.aff"
    printf '1\nword\n' >"$work/lang.dic"
    rm -f "$work/forms.mdb"
    if "$bin/dictbuild" --forms "$work/lang.aff" "$work/lang.dic" "$work/source.tsv" \
        "$work/forms.mdb" >"$work/output" 2>"$work/message"; then
        [ -z "$2" ] || { echo "dictbuild took a spelling dictionary in $2"; exit 1; }
        return
    fi
    [ -n "$2" ] && grep -q "$work/lang.aff is in $2, not UTF-8" "$work/message" || {
        echo "affix file \"$1\": got $(cat "$work/message")"
        exit 1
    }
    [ ! -e "$work/forms.mdb" ] || { echo "$work/forms.mdb was written"; exit 1; }
    [ ! -s "$work/output" ] || { echo "imported before refusing: $(cat "$work/output")"; exit 1; }
}
if "$bin/dictbuild" --forms "$work/none.aff" "$work/none.dic" "$work/source.tsv" \
    "$work/forms.mdb" 2>&1 | grep -q "without Hunspell"; then
    echo "dictbuild was built without Hunspell: the affix files' encodings are not checked"
else
    expect_forms 'SET ISO8859-1\nTRY esianrtolcdugmphbyfvkwz\n' ISO8859-1
    expect_forms '# Latin-1\nSET ISO8859-15\n' ISO8859-15
    expect_forms 'TRY abc\n' ISO8859-1
    expect_forms '\xef\xbb\xbfSET UTF-8\n' ''
    expect_forms '# a comment\nSET UTF-8\nTRY abc\n' ''
fi
echo "dictbuild names the reason for each output it cannot write"
