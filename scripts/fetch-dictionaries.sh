#!/usr/bin/env bash
# Fetches the dictionaries that the glossary's import is tested on into <directory>, unless they
# are there: the Debian packages are downloaded and unpacked, not installed (they would pull in
# a dictionary server). In the dictd format FOLDOC, the Jargon File and V.E.R.A.; GCIDE,
# WordNet, Ding (German-English both ways) and two FreeDict pairs: the nine the import is tested
# on; then four it was never tuned on, which only the dictd server comparison reads (and devil
# and elements, which the DICT client's tests have dictd serve). In the
# StarDict format the French Littré and a Czech dictionary of foreign words, and the Jargon File
# as Debian's pyglossary writes it in that format (jargon-pyglossary.*), made here once when
# pyglossary is installed (scripts/install-deps.sh installs it).
# Usage: fetch-dictionaries.sh <directory>
set -euo pipefail
. "$(dirname "$0")/unpack-packages.sh"
target=$1
# package: the dictionaries it carries
declare -A carries=(
    [dict-foldoc]=foldoc [dict-jargon]=jargon [dict-vera]=vera
    [dict-gcide]=gcide [dict-wn]=wn [dict-de-en]="german-english english-german"
    [dict-freedict-fra-eng]=freedict-fra-eng [dict-freedict-deu-eng]=freedict-deu-eng
    [stardict-xmlittre]=XMLittre [stardict-czech]=czech-cizi
)
declare -A untuned=(
    [dict-devil]=devil [dict-elements]=elements
    [dict-freedict-eng-rus]=freedict-eng-rus [dict-freedict-eng-spa]=freedict-eng-spa
)
for package in "${!untuned[@]}"; do
    carries[$package]=${untuned[$package]}
done
# The files of a dictionary in its package.
files() { # <package> <name>
    case $1 in
    stardict-*) echo "usr/share/stardict/dic/$2.ifo usr/share/stardict/dic/$2.idx usr/share/stardict/dic/$2.dict.dz" ;;
    *) echo "usr/share/dictd/$2.index usr/share/dictd/$2.dict.dz" ;;
    esac
}
packages=()
for package in "${!carries[@]}"; do
    for name in ${carries[$package]}; do
        for file in $(files "$package" "$name"); do
            if ! [ -s "$target/$(basename "$file")" ]; then
                packages+=("$package")
                break 2
            fi
        done
    done
done

if [ ${#packages[@]} -ne 0 ]; then
    mkdir -p "$target"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    chmod 755 "$work" # apt's own user writes the download here
    unpack_packages "$work" "${packages[@]}"
    for package in "${packages[@]}"; do
        for name in ${carries[$package]}; do
            for file in $(files "$package" "$name"); do
                [ -s "$target/$(basename "$file")" ] || cp "$work/unpacked/$file" "$target/"
            done
        done
    done
    echo "Dictionaries for the import tests in $target"
fi

# The Jargon File in the StarDict format, written by another program than ours.
if ! [ -s "$target/jargon-pyglossary.ifo" ] && command -v pyglossary >/dev/null 2>&1; then
    written=$(mktemp -d)
    pyglossary "$target/jargon.index" "$written/jargon-pyglossary.ifo" --read-format=DictOrg \
        --write-format=Stardict --no-progress-bar >"$written/log" 2>&1 ||
        { cat "$written/log"; rm -rf "$written"; exit 1; }
    for file in "$written"/jargon-pyglossary.*; do
        [ -s "$target/$(basename "$file")" ] || cp "$file" "$target/"
    done
    rm -rf "$written"
    echo "The Jargon File in the StarDict format in $target"
fi
