#!/usr/bin/env bash
# dictbuild --dictd-out: one dictionary of a database of two written out alone, which imports
# again to the pages it has in the database (a small dictionary, whose long lines must not be
# taken for wrapped ones); a dictionary the database lacks, or a folder that does not exist, is
# named and nothing is written.
set -euo pipefail
bin=$1
dictionaries=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; echo "--- output:"; cat "$work/out" "$work/err" 2>/dev/null; exit 1; }

"$bin/dictbuild" --dictd "$dictionaries/devil.index" "$dictionaries/devil.dict.dz" \
    "$dictionaries/elements.index" "$dictionaries/elements.dict.dz" "$work/both.mdb" >/dev/null
mkdir "$work/served"
"$bin/dictbuild" --dictd-out --dictionary elements "$work/both.mdb" "$work/served" \
    >"$work/out" 2>"$work/err" || fail "--dictd-out failed"
grep -q "^dictbuild: 138 entries of elements under 138 headwords written as" "$work/out" ||
    fail "no summary, or not elements' entries alone"
! grep -qP "^(abasement|zany)\t" "$work/served/elements.index" || fail "devil's entries written too"

"$bin/dictbuild" --no-index --dictd "$work/served/elements.index" "$work/served/elements.dict.dz" \
    "$work/again.mdb" >/dev/null
grep -v '^00' "$dictionaries/elements.index" | cut -f1 | sort -u >"$work/words"
"$bin/mdbview" page --dictionary elements "$work/both.mdb" <"$work/words" >"$work/before"
"$bin/mdbview" page "$work/again.mdb" <"$work/words" >"$work/after"
diff "$work/before" "$work/after" >"$work/out" || fail "pages differ once imported again"

if "$bin/dictbuild" --dictd-out --dictionary nosuch "$work/both.mdb" "$work/served" \
    >"$work/out" 2>"$work/err"; then
    fail "an unknown dictionary was not refused"
fi
grep -q "holds no dictionary nosuch (it holds devil, elements)" "$work/err" ||
    fail "the refusal does not name the dictionaries there are"
[ ! -e "$work/served/nosuch.index" ] || fail "files written for an unknown dictionary"

if "$bin/dictbuild" --dictd-out "$work/both.mdb" "$work/missing" >"$work/out" 2>"$work/err"; then
    fail "a missing folder was not refused"
fi
grep -q "cannot write $work/missing/both.dict.dz" "$work/err" || fail "the file is not named"
echo "dictbuild --dictd-out writes one dictionary alone, to the same pages, and names what it cannot"
