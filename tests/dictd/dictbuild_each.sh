#!/usr/bin/env bash
# dictbuild --each: each dictionary into a database of its own, named as the dictionary, each
# holding that dictionary alone; one that cannot be read is named, and the others are written.
set -euo pipefail
bin=$1
dictionaries=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; echo "--- output:"; cat "$work/out" "$work/err"; exit 1; }

mkdir "$work/each"
"$bin/dictbuild" --no-index --each --dictd "$dictionaries/devil.index" "$dictionaries/devil.dict.dz" \
    "$dictionaries/elements.index" "$dictionaries/elements.dict.dz" "$work/each" \
    >"$work/out" 2>"$work/err" || fail "dictbuild --each failed"
for name in devil elements; do
    [ -f "$work/each/$name.mdb" ] || fail "no database $name.mdb"
    "$bin/dictbuild" --list "$work/each/$name.mdb" >"$work/list"
    [ "$(cut -f1 "$work/list")" = "$name" ] || fail "$name.mdb holds $(cut -f1 "$work/list" | tr '\n' ' ')"
done
grep -q "^dictbuild: devil: [0-9]* entries" "$work/out" || fail "no summary of devil"
grep -qx "dictbuild: 2 of 2 databases written into $work/each" "$work/out" || fail "no summary of the run"

# A damaged dictionary between two good ones: named, and the good ones written all the same.
head -c 100 "$dictionaries/devil.dict.dz" >"$work/broken.dict.dz"
rm "$work/each/"*.mdb
if "$bin/dictbuild" --no-index --each --dictd "$dictionaries/devil.index" "$work/broken.dict.dz" \
    "$dictionaries/elements.index" "$dictionaries/elements.dict.dz" "$work/each" \
    >"$work/out" 2>"$work/err"; then
    fail "a damaged dictionary was not reported by the exit code"
fi
[ -f "$work/each/elements.mdb" ] || fail "the good dictionary was not written"
[ ! -e "$work/each/devil.mdb" ] || fail "a database was written for the damaged dictionary"
grep -q "broken.dict.dz" "$work/err" || fail "the damaged file is not named"
grep -qx "dictbuild: 1 of 2 databases written into $work/each; not written (see above): $dictionaries/devil.index" \
    "$work/out" || fail "the summary does not name what was not written"
echo "dictbuild --each writes a database a dictionary and names the one it could not"
