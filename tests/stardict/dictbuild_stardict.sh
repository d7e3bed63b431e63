#!/usr/bin/env bash
# dictbuild imports a StarDict dictionary given by its information file or folder, beside dictd
# ones, and names what it cannot read: excerpts of Debian's Czech dictionary of foreign words
# cut short or with lying counts, a part given alone, a DSL file.
# Usage: dictbuild_stardict.sh <bin directory> <dictionaries>
set -euo pipefail
bin=$1 dictionaries=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -s "$dictionaries/czech-cizi.ifo" ] ||
    { echo "no czech-cizi.ifo in $dictionaries (scripts/fetch-dictionaries.sh fetches it)"; exit 1; }
mkdir "$work/czech"
cp "$dictionaries"/czech-cizi.* "$work/czech/"

expect_failure() { # <what the message must say> <dictbuild's arguments before the output>...
    local expected=$1
    shift
    if "$bin/dictbuild" --no-index "$@" "$work/out.mdb" >/dev/null 2>"$work/message"; then
        echo "dictbuild accepted $*"
        exit 1
    fi
    grep -qF -- "$expected" "$work/message" || {
        echo "expected \"$expected\", got: $(cat "$work/message")"
        exit 1
    }
    [ ! -e "$work/out.mdb" ] || { echo "$work/out.mdb was written"; exit 1; }
}

# The folder, or the information file with its data named after it, beside a dictd dictionary.
"$bin/dictbuild" --no-index "$work/czech" "$work/folder.mdb" >"$work/summary"
grep -q "^dictbuild: 18260 entries of 1 dictionary\|^dictbuild: 18260 entries of 1 dictionaries" \
    "$work/summary" || { echo "got: $(cat "$work/summary")"; exit 1; }
"$bin/dictbuild" --no-index --dictd "$work/czech/czech-cizi.ifo" "$work/czech/czech-cizi.dict.dz" \
    "$dictionaries/vera.index" "$dictionaries/vera.dict.dz" "$work/both.mdb" >/dev/null
"$bin/mdbview" export "$work/both.mdb" Sources >"$work/sources"
grep -q '"czech-cizi"' "$work/sources" || { echo "not a source: $(cat "$work/sources")"; exit 1; }
"$bin/mdbview" export "$work/both.mdb" Dict >"$work/rows"
grep -q '^[0-9]*,"a capella",".*vokální skladba' "$work/rows" || { echo "no page for \"a capella\""; exit 1; }

# A compressed index, and synonyms: each a headword of the entry it names (the third, "a capella").
mkdir "$work/synonyms"
cp "$dictionaries"/czech-cizi.ifo "$dictionaries"/czech-cizi.dict.dz "$work/synonyms/"
gzip -c "$dictionaries/czech-cizi.idx" >"$work/synonyms/czech-cizi.idx.gz"
printf 'acapella\0\0\0\0\002' >"$work/synonyms/czech-cizi.syn"
echo "synwordcount=1" >>"$work/synonyms/czech-cizi.ifo"
"$bin/dictbuild" --no-index "$work/synonyms/czech-cizi.ifo" "$work/synonyms.mdb" >"$work/summary"
grep -q "1 synonyms added" "$work/summary" || { echo "got: $(cat "$work/summary")"; exit 1; }
"$bin/mdbview" export "$work/synonyms.mdb" Dict >"$work/rows"
grep -q '^[0-9]*,"acapella",".*vokální skladba' "$work/rows" || { echo "no page for \"acapella\""; exit 1; }

# Parts alone, and a format dictbuild cannot read.
expect_failure "czech-cizi.idx is a part of a StarDict dictionary; give its information file $work/czech/czech-cizi.ifo" \
    --dictd "$work/czech/czech-cizi.idx" "$work/czech/czech-cizi.dict.dz"
printf '\xff\xfe#\0N\0A\0M\0E\0 \0"\0x\0"\0\r\0\n\0' >"$work/words.dsl"
cp "$work/words.dsl" "$work/renamed.txt"
expect_failure "words.dsl is a DSL dictionary, which dictbuild cannot read; convert it to StarDict or dictd format" \
    "$work/words.dsl"
expect_failure "renamed.txt is a DSL dictionary" --dictd "$work/renamed.txt" "$work/czech/czech-cizi.dict.dz"

# A folder where a file belongs is named, not read.
expect_failure "cannot open $work/czech" --dictd "$dictionaries/vera.index" "$work/czech"

# Excerpts cut short, or whose information file lies.
cp -r "$work/czech" "$work/cut"
head -c 200004 "$dictionaries/czech-cizi.idx" >"$work/cut/czech-cizi.idx"
expect_failure "czech-cizi.idx: holds 200004 bytes, but the information file says 363102 (idxfilesize)" \
    "$work/cut/czech-cizi.ifo"
sed -i 's/^idxfilesize=.*/idxfilesize=200004/' "$work/cut/czech-cizi.ifo"
expect_failure "czech-cizi.idx: entry " "$work/cut/czech-cizi.ifo"
grep -q "it is cut short" "$work/message" || { echo "got: $(cat "$work/message")"; exit 1; }
cp -r "$work/czech" "$work/lying"
sed -i 's/^wordcount=.*/wordcount=18300/' "$work/lying/czech-cizi.ifo"
expect_failure "czech-cizi.idx: holds 18259 entries, but the information file says 18300 (wordcount)" \
    "$work/lying"
zcat "$dictionaries/czech-cizi.dict.dz" >"$work/whole.dict"
head -c 1000000 "$work/whole.dict" >"$work/lying/czech-cizi.dict"
rm "$work/lying/czech-cizi.dict.dz"
sed -i 's/^wordcount=.*/wordcount=18259/' "$work/lying/czech-cizi.ifo"
expect_failure "past the end of $work/lying/czech-cizi.dict (1000000 bytes)" "$work/lying"
echo "dictbuild reads StarDict dictionaries and names what it cannot read"
