#!/usr/bin/env bash
# Builds Hunspell's library for Windows from Debian's source package (Debian ships the library
# for Linux only), once: build/hunspell/<triple>/ keeps it (lib/libhunspell.a and its headers
# in include/hunspell/), and the next build finds it there. The native build uses Debian's
# libhunspell-dev. Fetches Hunspell's dictionaries too (fetch-hunspell.sh).
# Usage: build-hunspell.sh [triple] (default x86_64-w64-mingw32)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
triple=${1:-x86_64-w64-mingw32}
target="$root/build/hunspell/$triple"
"$root/scripts/fetch-hunspell.sh" "$root/build/hunspell" --source
[ -s "$target/lib/libhunspell.a" ] && exit 0
source="$root/build/hunspell/source/src/hunspell"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
objects=()
for file in "$source"/*.cxx; do
    object="$work/$(basename "${file%.cxx}").o"
    # Linked statically into the tools, as everything else is.
    "$triple-g++-posix" -O2 -std=c++17 -DHUNSPELL_STATIC -DBUILDING_LIBHUNSPELL -w \
        -I"$source" -c "$file" -o "$object"
    objects+=("$object")
done
mkdir -p "$target/lib" "$target/include/hunspell"
"$triple-ar" rcs "$work/libhunspell.a" "${objects[@]}"
cp "$source"/hunspell.hxx "$source"/hunspell.h "$source"/hunvisapi.h "$source"/w_char.hxx \
    "$source"/atypes.hxx "$target/include/hunspell/"
mv "$work/libhunspell.a" "$target/lib/"
echo "Hunspell for $triple in $target"
