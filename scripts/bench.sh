#!/usr/bin/env bash
# Benchmarks: optimised native build; prints figures, asserts nothing about speed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cd "$root"
cmake --preset bench -DBUILD_TESTS=ON >/dev/null
cmake --build --preset bench --target setuplog_bench jet_bench dictbuild_bench dictbuild \
    suggestions_bench >/dev/null
echo "== setup log reader (native, optimised)"
"$root/build/bench/bin/setuplog_bench"
echo
echo "== glossary database (native, optimised)"
"$root/build/bench/bin/jet_bench" "$root/build/bench/bench-Dict.mdb"
echo
echo "== glossary suggestions when a search finds nothing (native, optimised)"
"$root/build/bench/bin/suggestions_bench"
echo
echo "== dictbuild (native, optimised)"
"$root/build/bench/bin/dictbuild_bench" "$root/build/bench/bin/dictbuild" "$root/build/bench"
echo
echo "== glossary database, Windows build under Wine"
"$root/scripts/build.sh" windows >/dev/null
# Wine's desktop starts with the first Windows program: the display must be there before it.
. "$root/scripts/xvfb.sh"
. "$root/scripts/wine-env.sh" "$root/build/windows"
"$WINE_LOADER" "$root/build/windows/bin/jet_bench.exe" bench-Dict.mdb | tr -d '\r'
rm -f bench-Dict.mdb
echo
echo "== glossary window (Windows build under Wine, Xvfb)"
# Wine starts its desktop with the first window of a session: not the glossary's cost.
(cd "$root/build/windows" && "$WINE_LOADER" bin/warmup.exe) >/dev/null 2>&1 || true
"$WINE_LOADER" "$root/build/windows/bin/glossary_bench.exe" | tr -d '\r'
echo
echo "== dictd dictionaries: import (native, optimised) and the glossary on them"
"$root/scripts/fetch-dictionaries.sh" "$root/build/dictionaries" >/dev/null
# time_import <label> <database> <names...>: time, peak memory and size of one import.
time_import() {
    local label=$1 database=$2 pairs=() name
    shift 2
    for name in "$@"; do
        if [ -e "$root/build/dictionaries/$name.ifo" ]; then # StarDict: its information file
            pairs+=("$root/build/dictionaries/$name.ifo")
        else
            pairs+=("$root/build/dictionaries/$name.index" "$root/build/dictionaries/$name.dict.dz")
        fi
    done
    /usr/bin/time -f "%e %U %S %M" -o "$root/build/bench/import.time" \
        "$root/build/bench/bin/dictbuild" ${import_options:-} --dictd "${pairs[@]}" "$database" >/dev/null
    read -r seconds user system kilobytes <"$root/build/bench/import.time"
    # The elapsed time is what a user waits (the import works on two threads); the processor
    # time, what it costs, says more on a busy machine.
    cpu=$(awk "BEGIN { print $user + $system }")
    printf '  %-34s %5.1f s elapsed (%5.1f s CPU), peak %5d MB, %5d MB written\n' "$label:" \
        "$seconds" "$cpu" $((kilobytes / 1024)) $(($(stat -c %s "$database") / 1048576))
    last_elapsed=$seconds last_cpu=$cpu
}
time_import "FOLDOC, Jargon File, V.E.R.A." "$root/build/bench/dictd.mdb" foldoc jargon vera
time_import "GCIDE" "$root/build/bench/gcide.mdb" gcide
time_import "all nine (1.4 million terms)" "$root/build/bench/all.mdb" foldoc jargon vera gcide wn \
    german-english english-german freedict-fra-eng freedict-deu-eng
nine_elapsed=$last_elapsed nine_cpu=$last_cpu
# The same nine as nine databases, one a dictionary (dictbuild --each), shown as one set below.
nine=(foldoc jargon vera gcide wn german-english english-german freedict-fra-eng freedict-deu-eng)
rm -rf "$root/build/bench/nine" && mkdir -p "$root/build/bench/nine"
each_pairs=()
for name in "${nine[@]}"; do
    each_pairs+=("$root/build/dictionaries/$name.index" "$root/build/dictionaries/$name.dict.dz")
done
/usr/bin/time -f "%e %U %S %M" -o "$root/build/bench/import.time" \
    "$root/build/bench/bin/dictbuild" --each --dictd "${each_pairs[@]}" "$root/build/bench/nine" \
    >/dev/null
read -r seconds user system kilobytes <"$root/build/bench/import.time"
printf '  %-34s %5.1f s elapsed (%5.1f s CPU), peak %5d MB\n' "all nine, a database each:" \
    "$seconds" "$(awk "BEGIN { print $user + $system }")" $((kilobytes / 1024))
import_options=--no-index time_import "all nine, without the full-text index" \
    "$root/build/bench/all-plain.mdb" foldoc jargon vera gcide wn german-english english-german \
    freedict-fra-eng freedict-deu-eng
with=$(stat -c %s "$root/build/bench/all.mdb")
without=$(stat -c %s "$root/build/bench/all-plain.mdb")
printf '  full-text index: %d MB, %d %% of the database without it\n' \
    $(((with - without) / 1048576)) $(((with - without) * 100 / without))
# Word forms from Hunspell's English, German and French dictionaries.
"$root/scripts/fetch-hunspell.sh" "$root/build/hunspell" >/dev/null
spelling="$root/build/hunspell/dictionaries"
import_options="--forms $spelling/en_US.aff $spelling/en_US.dic --forms $spelling/de_DE.aff \
$spelling/de_DE.dic --forms $spelling/fr.aff $spelling/fr.dic" time_import \
    "all nine, with word forms" "$root/build/bench/all-forms.mdb" foldoc jargon vera gcide wn \
    german-english english-german freedict-fra-eng freedict-deu-eng
forms=$(stat -c %s "$root/build/bench/all-forms.mdb")
printf '  word forms: %d MB, %d %% of the database without them; the import %s %% longer (%s %% more CPU)\n' \
    $(((forms - with) / 1048576)) $(((forms - with) * 100 / with)) \
    "$(awk "BEGIN { printf \"%.0f\", ($last_elapsed / $nine_elapsed - 1) * 100 }")" \
    "$(awk "BEGIN { printf \"%.0f\", ($last_cpu / $nine_cpu - 1) * 100 }")"
# StarDict dictionaries beside them: the Littré, the Czech foreign words, and the Jargon File
# both ways (pyglossary's StarDict copy, then the dictd original).
time_import "StarDict: Littré, Czech" "$root/build/bench/stardict.mdb" XMLittre czech-cizi
echo "glossary.exe on the Littré's largest pages (the figures of the page view):"
"$WINE_LOADER" "$root/build/windows/bin/glossary_bench.exe" --pages faire,prendre,tenir,main \
    "$(winepath -w "$root/build/bench/stardict.mdb")" | tr -d '\r' | grep '^  "\|against its goal\|no page changing'
time_import "Jargon File from StarDict" "$root/build/bench/stardict.mdb" jargon-pyglossary
time_import "Jargon File from dictd" "$root/build/bench/stardict.mdb" jargon
rm -f "$root/build/bench/gcide.mdb" "$root/build/bench/all-plain.mdb" "$root/build/bench/import.time" \
    "$root/build/bench/stardict.mdb"
echo "search on the nine dictionaries, mdbview.exe under Wine (after reading the terms):"
all_mdb=$(winepath -w "$root/build/bench/all.mdb")
# search_time <label> <command> <words...>: what mdbview --time reports.
search_time() {
    local label=$1 command=$2 report
    shift 2
    # The results go to a file: hundreds of thousands of lines through Wine's console are slow.
    report=$("$WINE_LOADER" "$root/build/windows/bin/mdbview.exe" "$command" --time "$all_mdb" "$@" \
        2>&1 >"$root/build/bench/search.out" | tr -d '\r' | tail -1)
    printf '  %-34s %s\n' "$label:" "$report"
}
search_time "rare word (zymurgy)" search zymurgy
search_time "common word (the)" search the
search_time "three words (mutual exclusion lock)" search mutual exclusion lock
search_time "phrase (\"mutual exclusion\")" search '"mutual exclusion"'
search_time "wildcard run*ing" terms 'run*ing'
search_time "wildcard colo?r" terms 'colo?r'
search_time "wildcard *ology" terms '*ology'
rm -f "$root/build/bench/search.out"
echo "glossary.exe on the nine dictionaries:"
"$WINE_LOADER" "$root/build/windows/bin/glossary_bench.exe" "$(winepath -w "$root/build/bench/all.mdb")" | tr -d '\r'
echo "glossary.exe on the nine dictionaries as nine databases shown as one (against the one above):"
set_paths=()
for name in "${nine[@]}"; do
    set_paths+=("$(winepath -w "$root/build/bench/nine/$name.mdb")")
done
"$WINE_LOADER" "$root/build/windows/bin/glossary_bench.exe" --set "${set_paths[@]}" | tr -d '\r'
rm -rf "$root/build/bench/nine"
echo "the popup on the nine dictionaries (a word copied twice in another program; once every term is read):"
"$WINE_LOADER" "$root/build/windows/bin/popup_bench.exe" "$all_mdb" | tr -d '\r'
echo "a DICT server beside the nine dictionaries (Debian's dictd on this machine serving devil):"
# Twenty words of devil that the nine have too: the local part, then the server's.
mapfile -t server_words < <(cut -f1 "$root/build/dictionaries/devil.index" | grep -v '^00' |
    sed -n '1,20p')
python3 "$root/tests/dict/with_dictd.py" "$root/build/dictionaries" "$root/build/bench/dictd" \
    "$WINE_LOADER" "$root/build/windows/bin/server_bench.exe" "$all_mdb" "${server_words[@]}" |
    tr -d '\r' | grep -v '^dictd serves\|^the tests ended'
echo "word forms on the nine dictionaries, mdbview.exe and glossary.exe under Wine:"
all_forms=$(winepath -w "$root/build/bench/all-forms.mdb")
printf '  %-34s %s\n' "mdbview forms (hitchhikes):" "$("$WINE_LOADER" \
    "$root/build/windows/bin/mdbview.exe" forms --time "$all_forms" hitchhikes 2>&1 >/dev/null |
    tr -d '\r' | tail -1)"
"$WINE_LOADER" "$root/build/windows/bin/glossary_bench.exe" "$all_forms" hitchhikes | tr -d '\r'
rm -f "$root/build/bench/all-forms.mdb"
echo
echo "== unattended uninstall (Windows build under Wine)"
"$WINE_LOADER" "$root/build/windows/bin/unattended_bench.exe" | tr -d '\r'
echo
echo "== runs that meet: setups together, setup beside uninstall, uninstall killed then setup (Wine)"
# Its exit code counts the runs that ended neither clean nor whole; they are listed above it.
"$WINE_LOADER" "$root/build/windows/bin/concurrent_runs_bench.exe" | tr -d '\r' ||
    echo "  (the exceptions are listed above)"
wineserver -k 2>/dev/null || true
