#!/usr/bin/env bash
# Fetches the dictd dictionaries that the glossary's import is tested on into <directory>,
# unless they are there: the Debian packages are downloaded and unpacked, not installed (they
# would pull in a dictionary server). FOLDOC, the Jargon File and V.E.R.A.; GCIDE, WordNet,
# Ding (German-English both ways) and two FreeDict pairs: the nine the import is tested on. Then
# four it was never tuned on, which only the dictd server comparison reads.
# Usage: fetch-dictionaries.sh <directory>
set -euo pipefail
. "$(dirname "$0")/unpack-packages.sh"
target=$1
# package: the dictionaries it carries
declare -A carries=(
    [dict-foldoc]=foldoc [dict-jargon]=jargon [dict-vera]=vera
    [dict-gcide]=gcide [dict-wn]=wn [dict-de-en]="german-english english-german"
    [dict-freedict-fra-eng]=freedict-fra-eng [dict-freedict-deu-eng]=freedict-deu-eng
)
declare -A untuned=(
    [dict-devil]=devil [dict-elements]=elements
    [dict-freedict-eng-rus]=freedict-eng-rus [dict-freedict-eng-spa]=freedict-eng-spa
)
for package in "${!untuned[@]}"; do
    carries[$package]=${untuned[$package]}
done
packages=()
for package in "${!carries[@]}"; do
    for name in ${carries[$package]}; do
        if ! [ -s "$target/$name.index" ] || ! [ -s "$target/$name.dict.dz" ]; then
            packages+=("$package")
            break
        fi
    done
done
[ ${#packages[@]} -eq 0 ] && exit 0

mkdir -p "$target"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work" # apt's own user writes the download here
unpack_packages "$work" "${packages[@]}"
for package in "${packages[@]}"; do
    for name in ${carries[$package]}; do
        cp "$work/unpacked/usr/share/dictd/$name.index" "$work/unpacked/usr/share/dictd/$name.dict.dz" "$target/"
    done
done
echo "Dictionaries for the import tests in $target"
