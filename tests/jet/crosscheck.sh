#!/usr/bin/env bash
# Three independent readers must agree on what the dictionary builder writes: ours
# (mdbview), mdbtools (mdb-tables, mdb-export) and the npm package mdb-reader. On the other
# generated databases, ours must print exactly what mdb-export prints.
# Usage: crosscheck.sh <bin directory> <work directory> <dictionaries> [<dictd directory>]
set -euo pipefail
bin=$1 work=$2 count=$3 dictd=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work/files" && mkdir -p "$work/files"

if [ ! -d "$work/node_modules/mdb-reader" ]; then
    (cd "$work" && npm install --no-audit --no-fund --silent mdb-reader@3.2.0 >/dev/null)
fi
cp "$here/mdb-reader-export.mjs" "$work/"

"$bin/crosscheck_files" "$work/files" "$count"
failures=0 checks=0
check() { # name expected actual
    checks=$((checks + 1))
    if ! cmp -s "$2" "$3"; then
        echo "DIFFERENT: $1"; diff <(head -c 3000 "$2") <(head -c 3000 "$3") | head -n 10 || true
        failures=$((failures + 1))
    fi
}

for source in "$work"/files/dict*.tsv "$work"/files/huge.tsv; do
    base=${source%.tsv}
    "$bin/dictbuild" "$source" "$base.mdb"
    [ "$(mdb-tables -1 "$base.mdb" | tr '\n' ' ')" = "Dict Sources FullText FullTextEntries " ] ||
        { echo "mdb-tables: wrong tables in $base.mdb"; failures=$((failures + 1)); }
    "$bin/mdbview" export "$base.mdb" Dict >"$base.ours"
    node "$work/mdb-reader-export.mjs" "$base.mdb" Dict >"$base.mdbreader"
    check "$(basename "$base") ours" "$base.csv" "$base.ours"
    check "$(basename "$base") mdb-reader" "$base.csv" "$base.mdbreader"
    if [ "$(basename "$base")" != huge ]; then # mdb-export cuts values over ~200 kB
        mdb-export "$base.mdb" Dict >"$base.mdbtools"
        check "$(basename "$base") mdbtools" "$base.csv" "$base.mdbtools"
    fi
    # mdbtools cannot tell a null from an empty text; the other two must.
    "$bin/mdbview" export --null '\N' "$base.mdb" Dict >"$base.ours-nulls"
    node "$work/mdb-reader-export.mjs" "$base.mdb" Dict '\N' >"$base.mdbreader-nulls"
    check "$(basename "$base") ours, nulls" "$base.nulls" "$base.ours-nulls"
    check "$(basename "$base") mdb-reader, nulls" "$base.nulls" "$base.mdbreader-nulls"
done

for file in "$work"/files/shape*.mdb; do
    for table in $(mdb-tables -1 "$file"); do
        "$bin/mdbview" export "$file" "$table" >"$file.$table.ours"
        mdb-export "$file" "$table" >"$file.$table.mdbtools"
        check "$(basename "$file") $table" "$file.$table.mdbtools" "$file.$table.ours"
    done
    [ "$("$bin/mdbview" tables "$file")" = "$(mdb-tables -1 "$file")" ] || { echo "table lists differ: $file"; failures=$((failures + 1)); }
done

# A bad source is refused with its line named, and no database is left behind.
printf 'good\tdefinition\nno tab on this line\n' >"$work/files/bad.tsv"
checks=$((checks + 1))
if "$bin/dictbuild" "$work/files/bad.tsv" "$work/files/bad.mdb" 2>"$work/files/bad.err" ||
    [ -e "$work/files/bad.mdb" ] || ! grep -q "line 2" "$work/files/bad.err"; then
    echo "dictbuild accepted a bad source or left a file behind"; failures=$((failures + 1))
fi

# The real dictionaries together, as the glossary's import writes them.
if [ -n "$dictd" ]; then
    real="$work/files/real"
    # All nine; of the larger ones every 25th index line and the headers (whole, they take
    # minutes here; bench.sh imports them whole).
    pairs=()
    for name in foldoc jargon vera freedict-fra-eng; do
        pairs+=("$dictd/$name.index" "$dictd/$name.dict.dz")
    done
    for name in gcide wn german-english english-german freedict-deu-eng; do
        awk 'NR % 25 == 1 || /^00/' "$dictd/$name.index" >"$work/files/$name.index"
        pairs+=("$work/files/$name.index" "$dictd/$name.dict.dz")
    done
    "$bin/dictbuild" --dictd "${pairs[@]}" "$real.mdb" >/dev/null
    "$bin/mdbview" export "$real.mdb" Dict >"$real.ours"
    node "$work/mdb-reader-export.mjs" "$real.mdb" Dict >"$real.mdbreader"
    mdb-export "$real.mdb" Dict >"$real.mdbtools"
    check "dictd import, mdb-reader" "$real.ours" "$real.mdbreader"
    check "dictd import, mdbtools" "$real.ours" "$real.mdbtools"
    # The search's tables are tables like any other to them: the sources alike, every row of
    # the index there.
    "$bin/mdbview" export "$real.mdb" Sources >"$real.sources.ours"
    mdb-export "$real.mdb" Sources >"$real.sources.mdbtools"
    node "$work/mdb-reader-export.mjs" "$real.mdb" Sources >"$real.sources.mdbreader"
    check "dictd import, sources, mdbtools" "$real.sources.ours" "$real.sources.mdbtools"
    check "dictd import, sources, mdb-reader" "$real.sources.ours" "$real.sources.mdbreader"
    for table in FullText FullTextEntries; do
        checks=$((checks + 1))
        ours=$(($("$bin/mdbview" export "$real.mdb" "$table" | wc -l) - 1))
        [ "$ours" -gt 0 ] && [ "$ours" -eq "$(($(mdb-count "$real.mdb" "$table")))" ] ||
            { echo "the index table $table: $ours rows here, others for mdbtools"; failures=$((failures + 1)); }
    done
    rows=$(($(wc -l <"$real.ours")))
    checks=$((checks + 1))
    [ "$rows" -gt 100000 ] || { echo "the dictd import wrote only $rows lines"; failures=$((failures + 1)); }
    # A damaged index is refused with its file and line named, and no database is left.
    head -n 100 "$dictd/vera.index" >"$work/files/bad.index"
    printf 'broken line without fields\n' >>"$work/files/bad.index"
    checks=$((checks + 1))
    if "$bin/dictbuild" --dictd "$work/files/bad.index" "$dictd/vera.dict.dz" "$work/files/bad-dictd.mdb" \
        2>"$work/files/bad-dictd.err" || [ -e "$work/files/bad-dictd.mdb" ] ||
        ! grep -q "bad.index:101:" "$work/files/bad-dictd.err"; then
        echo "dictbuild accepted a damaged index or left a file behind"; failures=$((failures + 1))
    fi
fi

echo "cross-reader checks: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
