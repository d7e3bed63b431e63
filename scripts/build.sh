#!/usr/bin/env bash
# Configures and builds the given presets (default: windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ $# -eq 0 ] && set -- windows
for preset in "$@"; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
