#!/usr/bin/env bash
# Runs a Windows program under Wine's 64-bit loader with the build's own prefix; CTest uses it
# as the cross-compiling emulator. Without a display it brings its own Xvfb.
set -euo pipefail
build=$PWD
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
. "$(dirname "$0")/wine-env.sh" "$build"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$WINE_LOADER" "$@"
fi
exec "$WINE_LOADER" "$@"
