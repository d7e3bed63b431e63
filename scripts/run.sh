#!/usr/bin/env bash
# Builds the Windows programs and runs them on the built-in sample data under Wine.
# With "foldoc": the glossary on FOLDOC, the Jargon File and V.E.R.A. together.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" windows >/dev/null
build="$root/build/windows"
. "$root/scripts/wine-env.sh" "$build"

# Shows the glossary on a database: in a window on the user's display, else under Xvfb with a
# screenshot left in the given file.
show_glossary() { # database (Windows path), screenshot
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        echo "Close the window (or press Exit) to go on."
        (cd "$build/bin" && "$WINE_LOADER" glossary.exe ${1:+"$1"})
    else
        # Wine's desktop process must start on the Xvfb display, so none may be left running.
        wineserver -k 2>/dev/null || true
        . "$root/scripts/xvfb.sh"
        (cd "$build/bin" && "$WINE_LOADER" glossary.exe ${1:+"$1"} >/dev/null 2>&1 &)
        for _ in $(seq 60); do
            xwininfo -root -tree 2>/dev/null | grep -q '"Technical Glossary"' && break
            sleep 0.5
        done
        sleep 1
        import -window root -crop 700x385+0+0 "$2"
        wineserver -k 2>/dev/null || true
        echo "No display here: the glossary ran under Xvfb; its window is in $2"
    fi
}

if [ "${1:-}" = foldoc ]; then
    dictionaries="$root/build/dictionaries"
    "$root/scripts/fetch-dictionaries.sh" "$dictionaries"
    database="$build/foldoc.mdb"
    echo "== Importing FOLDOC, the Jargon File and V.E.R.A. into $database"
    arguments=()
    for name in foldoc jargon vera; do
        arguments+=("$(winepath -w "$dictionaries/$name.index")" "$(winepath -w "$dictionaries/$name.dict.dz")")
    done
    "$WINE_LOADER" "$build/bin/dictbuild.exe" --dictd "${arguments[@]}" "$(winepath -w "$database")" | tr -d '\r'
    echo
    echo "== The glossary on them"
    show_glossary "$(winepath -w "$database")" "$build/glossary-foldoc.png"
    exit 0
fi

work="$build/sample-run"
rm -rf "$work" && mkdir -p "$work"
cp "$root/samples/Setup.log" "$work/Setup.log"
# The setup program may store the log byte-inverted; the reader takes both forms.
python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); open(sys.argv[2],"wb").write(bytes(b^0xFF for b in d))' \
    "$work/Setup.log" "$work/Setup-inverted.log"

echo "== The sample setup log as the uninstaller reads it (plain form)"
"$WINE_LOADER" "$build/bin/setuplog-dump.exe" "$work/Setup.log" | tr -d '\r'
echo
echo "== The same log stored byte-inverted: identical answers"
if diff <("$WINE_LOADER" "$build/bin/setuplog-dump.exe" "$work/Setup.log" | tail -n +2) \
        <("$WINE_LOADER" "$build/bin/setuplog-dump.exe" "$work/Setup-inverted.log" | tail -n +2) >/dev/null; then
    echo "identical"
else
    echo "DIFFERENT" && exit 1
fi

echo
echo "== The glossary's sample database, Dict.mdb, as our reader sees it (first terms)"
"$WINE_LOADER" "$build/bin/mdbview.exe" tables "$build/bin/Dict.mdb" | tr -d '\r'
"$WINE_LOADER" "$build/bin/mdbview.exe" export "$build/bin/Dict.mdb" Dict | tr -d '\r' | awk 'NR <= 6'

echo
echo "== The glossary on the sample Dict.mdb"
show_glossary "" "$build/glossary.png"

echo
echo "== The product installed by setup.exe and removed by the uninstaller (a fresh Wine prefix of its own)"
wineserver -k 2>/dev/null || true
demo_prefix="$build/demo-prefix"
rm -rf "$demo_prefix" "$demo_prefix.lock"
export WINEPREFIX="$demo_prefix"
. "$root/scripts/wine-env.sh" "$build"
shots="$build/uninstall-screens"
rm -rf "$shots" && mkdir -p "$shots"
installed_log='C:\Program Files\Technical Glossary\Setup.log'
if [ -n "${DISPLAY:-}" ] && [ -z "${xvfb_pid:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Install the product with setup.exe's dialog, then answer the uninstaller's dialogs."
    "$WINE_LOADER" "$build/bin/uninstall_demo.exe" --setup "$(winepath -w "$build/bin/setup.exe")" \
        "$(winepath -w "$shots")" --interactive | tr -d '\r'
    "$WINE_LOADER" "$build/bin/uninstall_demo.exe" --installed "$installed_log" \
        "$(winepath -w "$shots")" --interactive | tr -d '\r'
else
    . "$root/scripts/xvfb.sh"
    "$WINE_LOADER" "$build/bin/uninstall_demo.exe" --setup "$(winepath -w "$build/bin/setup.exe")" \
        "$(winepath -w "$shots")" | tr -d '\r'
    "$WINE_LOADER" "$build/bin/uninstall_demo.exe" --installed "$installed_log" \
        "$(winepath -w "$shots")" | tr -d '\r'
    for shot in "$shots"/*.bmp; do
        [ -e "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
    done
    echo
    echo "The dialogs were answered automatically under Xvfb; screenshots: $shots"
fi
wineserver -k 2>/dev/null || true
