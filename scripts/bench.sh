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
echo "== FOLDOC, the Jargon File and V.E.R.A.: import (native, optimised) and the glossary on them"
"$root/scripts/fetch-dictionaries.sh" "$root/build/dictionaries"
dictionaries=()
for name in foldoc jargon vera; do
    dictionaries+=("$root/build/dictionaries/$name.index" "$root/build/dictionaries/$name.dict.dz")
done
times=()
for _ in 1 2 3; do
    start=$(date +%s.%N)
    "$root/build/bench/bin/dictbuild" --dictd "${dictionaries[@]}" "$root/build/bench/dictd.mdb"
    times+=("$(awk -v from="$start" -v to="$(date +%s.%N)" 'BEGIN { printf "%.3f", to - from }')")
done
printf '  import of the three:          %s s (median of 3; %s bytes written)\n' \
    "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)" "$(stat -c %s "$root/build/bench/dictd.mdb")"
"$WINE_LOADER" "$root/build/windows/bin/glossary_bench.exe" "$(winepath -w "$root/build/bench/dictd.mdb")" | tr -d '\r'
echo
echo "== unattended uninstall (Windows build under Wine)"
"$WINE_LOADER" "$root/build/windows/bin/unattended_bench.exe" | tr -d '\r'
wineserver -k 2>/dev/null || true
