#!/usr/bin/env bash
# The built-in sample Dict.mdb: at least <minimum> terms, read alike by us and by mdbtools.
set -euo pipefail
bin=$1 minimum=$2
ours=$("$bin/mdbview" export "$bin/Dict.mdb" Dict)
theirs=$(mdb-export "$bin/Dict.mdb" Dict)
[ "$ours" = "$theirs" ] || { echo "mdbview and mdb-export differ on the sample"; exit 1; }
rows=$(($(mdb-count "$bin/Dict.mdb" Dict)))
[ "$rows" -ge "$minimum" ] || { echo "the sample has only $rows terms"; exit 1; }
echo "sample Dict.mdb: $rows terms, identical to mdb-export"
