# Sourced: points Wine at the build's own prefix and makes sure that prefix exists.
# Usage: . scripts/wine-env.sh <build directory>
wine_build_dir=$1
export WINEPREFIX="${WINEPREFIX:-$wine_build_dir/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko: nothing of ours needs them, and installing them would ask questions.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
WINE_LOADER=/usr/lib/wine/wine64
[ -x "$WINE_LOADER" ] || WINE_LOADER=$(command -v wine64 || command -v wine)
export WINE_LOADER

if [ ! -f "$WINEPREFIX/.ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        # Tests run in parallel; only one of them creates the prefix.
        flock 9
        if [ ! -f "$WINEPREFIX/.ready" ]; then
            "$WINE_LOADER" wineboot -i >/dev/null 2>&1
            wineserver -w
            touch "$WINEPREFIX/.ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
