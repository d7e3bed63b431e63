#!/usr/bin/env bash
# Fails when a program imports a function that Windows 7's system DLLs do not export: the
# shipped programs must start there, and anything newer is to be looked up at run time.
# Usage: check-imports.sh <objdump> <allowed list> <program.exe>...
set -uo pipefail
objdump=$1 allowed=$2
shift 2
allowed_set=$(awk -F'!' '!/^#/ && NF == 2 { print tolower($1) "!" $2 }' "$allowed" | sort -u)
status=0
for program in "$@"; do
    imports=$("$objdump" -p "$program" | awk '
        /DLL Name:/ { dll = tolower($3); next }
        /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll "!" $3 }' | sort -u)
    if [ -z "$imports" ]; then
        echo "$program: no import table read" >&2
        status=1
        continue
    fi
    unknown=$(comm -23 <(printf '%s\n' "$imports") <(printf '%s\n' "$allowed_set"))
    count=$(wc -l <<<"$imports")
    if [ -n "$unknown" ]; then
        echo "$program imports what Windows 7 does not export (or the list does not name):"
        printf '  %s\n' $unknown
        status=1
    else
        echo "$program: all $count imported functions exist on Windows 7"
    fi
done
exit $status
