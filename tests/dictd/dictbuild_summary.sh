#!/usr/bin/env bash
# dictbuild tells what it imported, for every format: a summary of each dictionary (entries,
# headwords, what it left out and why), and on a terminal a line that follows its progress.
set -euo pipefail
bin=$1
dictionaries=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$1"; echo "--- output:"; cat "$work/out"; exit 1; }

printf 'term\tdefinition\nother\tanother\nterm\tagain\n' >"$work/glossary.tsv"
"$bin/dictbuild" --no-index "$work/glossary.tsv" "$work/text.mdb" >"$work/out" 2>"$work/err"
grep -qx "dictbuild: glossary: 3 entries, 2 headwords" "$work/out" ||
    fail "no summary of the text source"
[ ! -s "$work/err" ] || { cat "$work/err"; echo "progress written where no terminal is"; exit 1; }

# GCIDE's index names the verb "Run" three times with the same text: one entry, two left out.
grep -P '^(00-database-[a-z]+|Run)\t' "$dictionaries/gcide.index" >"$work/gcide.index"
"$bin/dictbuild" --no-index --dictd "$work/gcide.index" "$dictionaries/gcide.dict.dz" \
    "$work/gcide.mdb" >"$work/out"
grep -q "^dictbuild: gcide: 5 entries, 2 headwords; skipped 2 repeated entries" "$work/out" ||
    fail "no summary of gcide, or the repeated entries not named"
grep -q "of 1 dictionary as" "$work/out" || fail "one dictionary counted as many"

# A StarDict dictionary's summary names what it left out, as a dictd one's does, and once.
mkdir -p "$work/czech/res/sounds"
cp "$dictionaries"/czech-cizi.* "$work/czech/"
touch "$work/czech/res/a.png" "$work/czech/res/sounds/a.ogg"
"$bin/dictbuild" --no-index "$work/czech/czech-cizi.ifo" "$work/czech.mdb" >"$work/out"
grep -qx "dictbuild: czech-cizi: 18260 entries, 18260 headwords; skipped 2 files of the res \
folder (pictures, sounds), which dictbuild leaves out" "$work/out" ||
    fail "what the StarDict dictionary left out is not in its summary"
[ "$(grep -c "res folder" "$work/out")" = 1 ] || fail "what was left out is told twice"

# On a terminal the progress shows (and is cleared before the summary).
script -qec "'$bin/dictbuild' --no-index --dictd '$work/gcide.index' \
    '$dictionaries/gcide.dict.dz' '$work/gcide.mdb'" /dev/null >"$work/out"
grep -q $'\rdictbuild: gcide: reading' "$work/out" || fail "no progress on a terminal"
echo "dictbuild summarises each dictionary and shows its progress on a terminal"
