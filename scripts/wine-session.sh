#!/usr/bin/env bash
# Starts or ends the Wine session of a build's prefix; CTest runs it as the fixture of every
# Windows test. Usage: wine-session.sh start|stop <build directory>
#
# The first program of a session starts the session's own processes (services, device hosts,
# the desktop), and they inherit its standard output and error until the session ends. Started
# by a test, they would hold CTest's pipe and the test would last as long as the session. Here
# they start from a program whose standard handles lead nowhere, in a server that stays between
# tests, so every test's time is its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
action=${1:-}
build=$(cd "${2:?usage: wine-session.sh start|stop <build directory>}" && pwd)
. "$root/scripts/wine-env.sh" "$build"
marker="$WINEPREFIX.session"

# The process id of the Wine server of this prefix, if one runs: the server works in a folder
# named after the prefix's device and inode.
wine_server_pid() {
    local device inode folder process
    read -r device inode < <(stat -c '%d %i' "$WINEPREFIX")
    printf -v folder 'server-%x-%x' "$device" "$inode"
    for process in /proc/[0-9]*; do
        case $(readlink "$process/cwd" 2>/dev/null) in
        */"$folder") ;;
        *) continue ;;
        esac
        case $(cat "$process/comm" 2>/dev/null) in
        wineserver*)
            echo "${process#/proc/}"
            return 0
            ;;
        esac
    done
    return 1
}

case $action in
start)
    exec 8>"$WINEPREFIX.session-lock"
    flock -w 600 8
    start_server() {
        wine_server_pid >/dev/null && return 0
        # Idle for two minutes after the last program, it ends by itself: a run that was
        # stopped before its "stop" leaves nothing behind for long.
        wineserver -p120 </dev/null >/dev/null 2>&1 8>&-
        # The server goes to the background before it works in its folder: wait for it.
        local server=""
        for _ in $(seq 50); do
            server=$(wine_server_pid) && break
            sleep 0.1
        done
        echo "$server" >"$marker"
    }
    # Run even in a session that was already there: a server started by hand has none of the
    # session's processes yet. The desktop comes with the first window. The session's processes
    # keep the output file, never a pipe; nor may they keep the lock.
    log="$build/wine-session.log"
    # The drive the tests' programs run from (see wine-run.sh).
    [ "$(readlink "$WINEPREFIX/dosdevices/t:" 2>/dev/null)" = "$build" ] ||
        ln -sfn "$build" "$WINEPREFIX/dosdevices/t:"
    for attempt in 1 2; do
        start_server
        if (cd "$build" && timeout 600 "$root/scripts/wine-run.sh" bin/warmup.exe) \
            </dev/null >"$log" 2>&1 8>&-; then
            exit 0
        fi
        # A server caught as it shut down, or one that lost its session: a new one, once.
        wineserver -k 2>/dev/null || true
        sleep 1
    done
    echo "Wine could not run $build/bin/warmup.exe:" >&2
    tail -n 20 "$log" >&2
    exit 1
    ;;
stop)
    # Only a session that "start" began: one that someone else runs stays.
    if [ -f "$marker" ] && [ "$(wine_server_pid || true)" = "$(cat "$marker")" ]; then
        wineserver -k 2>/dev/null || true
    fi
    rm -f "$marker"
    ;;
*)
    echo "usage: wine-session.sh start|stop <build directory>" >&2
    exit 2
    ;;
esac
