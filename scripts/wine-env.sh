# Sourced: points Wine at the build's own prefix and makes sure that prefix is set up.
# Usage: . scripts/wine-env.sh <build directory>
wine_build_dir=$1
export WINEPREFIX="${WINEPREFIX:-$wine_build_dir/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko: nothing of ours needs them, and installing them would ask questions.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
WINE_LOADER=/usr/lib/wine/wine64
[ -x "$WINE_LOADER" ] || WINE_LOADER=$(command -v wine64 || command -v wine)
export WINE_LOADER

# The marker names the set-up below; changing the set-up means a new marker.
wine_ready="$WINEPREFIX/.ready-3"
if [ ! -f "$wine_ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        # Tests run in parallel; only one of them sets the prefix up.
        flock 9
        if [ ! -f "$wine_ready" ]; then
            "$WINE_LOADER" wineboot -i >/dev/null 2>&1
            # A crashing program must end with its backtrace, not wait in a crash dialog.
            "$WINE_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 \
                /f >/dev/null 2>&1
            wineserver -w
            touch "$wine_ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
