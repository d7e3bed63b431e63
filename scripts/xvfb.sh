# Sourced: starts an Xvfb for this shell unless a display is already there, and stops it on exit.
if [ -z "${DISPLAY:-}" ]; then
    for number in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$number"
        trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
        break
    done
fi
