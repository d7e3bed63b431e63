#!/usr/bin/env bash
# Every C++ file is as the repository's .clang-format lays it out; prints the files that are not.
set -uo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
bad=0
for file in "${files[@]}"; do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "not formatted: $file (clang-format -i $file)"
        bad=1
    fi
done
[ "$bad" -eq 0 ] && echo "formatting: ${#files[@]} files as .clang-format lays them out"
exit "$bad"
