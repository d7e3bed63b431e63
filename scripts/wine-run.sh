#!/usr/bin/env bash
# Runs a Windows program under Wine's 64-bit loader with the build's own prefix; CTest uses it
# as the cross-compiling emulator. Without a display it brings its own Xvfb.
set -euo pipefail
build=$PWD
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
. "$(dirname "$0")/wine-env.sh" "$build"

# The build's programs run from a drive of their own (made by wine-session.sh): a clone below a
# folder that anyone may change, such as /tmp, would make the programs judge every library of
# theirs unsafe, as they should on Windows.
drive="$WINEPREFIX/dosdevices/t:"
if [ $# -gt 0 ] && [ "$(readlink "$drive" 2>/dev/null)" = "$build" ]; then
    case $1 in
    "$build"/*)
        program="T:${1#"$build"}"
        shift
        set -- "${program//\//\\}" "$@"
        ;;
    esac
fi

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$WINE_LOADER" "$@"
fi
exec "$WINE_LOADER" "$@"
