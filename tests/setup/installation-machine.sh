#!/usr/bin/env bash
# Starts or ends the second machine the suites that install, remove or register run on: a Wine
# prefix of its own (its registry, drive C: and run locks) in its own session, on a display of
# its own (its windows never take the foreground from the glossary's keyboard tests). The
# glossary's suites keep the build's first prefix and display, so both kinds run side by side.
# Usage: installation-machine.sh start|stop <build directory> <display number>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
action=${1:-}
build=$(cd "${2:?usage: installation-machine.sh start|stop <build directory> <display>}" && pwd)
display=${3:?usage: installation-machine.sh start|stop <build directory> <display>}
export WINEPREFIX="$build/wineprefix-installation"
export DISPLAY=":$display"
xvfb_pid_file="$WINEPREFIX.xvfb"

case $action in
start)
    # A display left by an earlier run of this build is used again. A server that was still
    # going away as this one started (its lock not yet given up) is followed by another.
    for attempt in 1 2 3; do
        xdpyinfo >/dev/null 2>&1 && break
        rm -f "/tmp/.X$display-lock" "/tmp/.X11-unix/X$display"
        # Its own session, its output nowhere: CTest waits for no process of it.
        setsid Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        xvfb=$!
        echo "$xvfb" >"$xvfb_pid_file"
        for _ in $(seq 100); do
            xdpyinfo >/dev/null 2>&1 && break
            kill -0 "$xvfb" 2>/dev/null || break
            sleep 0.1
        done
    done
    xdpyinfo >/dev/null 2>&1 || {
        echo "Xvfb did not start on $DISPLAY" >&2
        exit 1
    }
    # The first start makes the prefix (scripts/wine-env.sh), as for the build's first one.
    exec "$root/scripts/wine-session.sh" start "$build"
    ;;
stop)
    "$root/scripts/wine-session.sh" stop "$build"
    if [ -f "$xvfb_pid_file" ]; then
        kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
        rm -f "$xvfb_pid_file"
    fi
    ;;
*)
    echo "usage: installation-machine.sh start|stop <build directory> <display>" >&2
    exit 2
    ;;
esac
