# Sourced: points Wine at the build's own prefix and makes sure that prefix is set up.
# Usage: . scripts/wine-env.sh <build directory>
wine_build_dir=$1
export WINEPREFIX="${WINEPREFIX:-$wine_build_dir/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko: nothing of ours needs them, and installing them would ask questions. No
# menu entries on the Linux desktop for the shortcuts that the setup tests create.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
WINE_LOADER=/usr/lib/wine/wine64
[ -x "$WINE_LOADER" ] || WINE_LOADER=$(command -v wine64 || command -v wine)
export WINE_LOADER
# X resources for Wine's display connections (the file says why).
XENVIRONMENT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/Xresources"
export XENVIRONMENT

# The marker names the set-up below; changing the set-up means a new marker.
wine_ready="$WINEPREFIX/.ready-11"
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
            # Text in every script, as on a Windows system: the message font is DejaVu Sans
            # (Latin, Greek, Cyrillic, Arabic), linked to Debian's CJK font for Chinese, Japanese
            # and Korean; the page's MS Sans Serif stands for the same, and its CJK faces for the
            # CJK font.
            links=$(mktemp --suffix=.reg)
            python3 - "$links" <<'PYTHON'
import struct, sys
def multi(*strings):  # REGEDIT4 takes the bytes in the system's code page
    return ",".join("%02x" % b for b in ("\0".join(strings) + "\0\0").encode("ascii"))
def logfont(face, height=-11):
    data = struct.pack("<5l8B", height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x22)
    data += face.encode("utf-16-le").ljust(64, b"\0")
    return ",".join("%02x" % b for b in data)
cjk = multi("wqy-microhei.ttc,WenQuanYi Micro Hei")
# The faces Windows and its text layout turn to for Chinese, Japanese and Korean.
cjkFaces = ["Microsoft YaHei", "Malgun Gothic", "SimSun", "NSimSun", "MS UI Gothic", "MS Gothic", "MS PGothic",
            "MS Mincho", "Microsoft JhengHei", "PMingLiU", "MingLiU", "Gulim", "Batang", "Meiryo", "Yu Gothic"]
lines = ["REGEDIT4", "",
         "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]",
         '"DejaVu Sans"=hex(7):' + cjk, '"Tahoma"=hex(7):' + cjk, '"MS Sans Serif"=hex(7):' + cjk, "",
         "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]",
         '"MS Sans Serif"="DejaVu Sans"']
lines += ['"%s"="WenQuanYi Micro Hei"' % face for face in cjkFaces]
lines += ["",
         "[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]",
         '"MessageFont"=hex:' + logfont("DejaVu Sans")]
open(sys.argv[1], "w").write("\r\n".join(lines) + "\r\n")
PYTHON
            "$WINE_LOADER" regedit /s "Z:${links//\//\\}" >/dev/null 2>&1
            rm -f "$links"
            # N: is a volume that keeps no security, as a stick or a disc is: Wine reports a
            # drive of kind "cdrom" without persistent access lists, and still writes files there.
            mkdir -p "$WINEPREFIX/drive_n"
            ln -sfn ../drive_n "$WINEPREFIX/dosdevices/n:"
            "$WINE_LOADER" reg add 'HKLM\Software\Wine\Drives' /v n: /d cdrom /f >/dev/null 2>&1
            wineserver -w
            touch "$wine_ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
