#!/usr/bin/env bash
# Builds everything and runs every test: the portable code natively under ASan+UBSan (with the
# fuzzers' smoke runs), the Windows tests under Wine, and the 32-bit release build.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" || exit 1
cd "$root"
"$root/scripts/build.sh" native windows windows-x86 || exit 1

. "$root/scripts/xvfb.sh"
. "$root/scripts/wine-env.sh" "$root/build/windows"

passed=0 failed=0
run_ctest() {
    local log
    log=$(mktemp)
    ctest --preset "$1" -j2 2>&1 | tee "$log"
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        failed=$((failed + 1))
    else
        local total bad
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
    rm -f "$log"
}
run_ctest native
run_ctest windows
wineserver -k 2>/dev/null || true

echo
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
