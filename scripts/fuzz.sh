#!/usr/bin/env bash
# Runs a libFuzzer target for a while: scripts/fuzz.sh <target> [seconds]
# New inputs collect in build/native/<target>_corpus; the committed seeds stay unchanged.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: fuzz.sh <target> [seconds]}
seconds=${2:-600}
"$root/scripts/install-deps.sh"
cmake --preset native -S "$root" >/dev/null
cmake --build --preset native >/dev/null
seeds="$root/tests/fuzz/seeds/${target%_fuzz}"
[ -d "$seeds" ] || seeds="$root/build/native/tests/${target%_fuzz}_seeds"
corpus="$root/build/native/${target}_corpus"
mkdir -p "$corpus"
"$root/build/native/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=1048576 \
    -print_final_stats=1 "$corpus" "$seeds"
