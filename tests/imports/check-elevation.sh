#!/usr/bin/env bash
# Fails when a program's embedded manifest does not ask for administrator rights.
# Usage: check-elevation.sh <program.exe>...
set -uo pipefail
status=0
for program in "$@"; do
    if grep -aq 'requestedExecutionLevel level="requireAdministrator"' "$program"; then
        echo "$program: asks for administrator rights"
    else
        echo "$program: its manifest does not ask for administrator rights" >&2
        status=1
    fi
done
exit $status
