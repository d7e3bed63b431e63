#!/usr/bin/env bash
# Benchmarks: optimised native build; prints figures, asserts nothing about speed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cd "$root"
cmake --preset bench -DBUILD_TESTS=ON >/dev/null
cmake --build --preset bench --target setuplog_bench >/dev/null
echo "== setup log reader (native, optimised)"
"$root/build/bench/bin/setuplog_bench"
