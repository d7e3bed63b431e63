#!/usr/bin/env bash
# Fetches the dictd dictionaries that the glossary's import is tested on (FOLDOC, the Jargon
# File, V.E.R.A.) into <directory>, unless they are there: the Debian packages are downloaded
# and unpacked, not installed (they would pull in a dictionary server).
# Usage: fetch-dictionaries.sh <directory>
set -euo pipefail
target=$1
names=(foldoc jargon vera)
complete=1
for name in "${names[@]}"; do
    [ -s "$target/$name.index" ] && [ -s "$target/$name.dict.dz" ] || complete=0
done
[ "$complete" -eq 1 ] && exit 0

mkdir -p "$target"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work" # apt's own user writes the download here
packages=(dict-foldoc dict-jargon dict-vera)
if ! (cd "$work" && apt-get download "${packages[@]}" >/dev/null 2>&1); then
    # No package lists yet on a fresh machine.
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    (cd "$work" && apt-get download "${packages[@]}" >/dev/null)
fi
for package in "$work"/*.deb; do
    dpkg-deb -x "$package" "$work/unpacked"
done
for name in "${names[@]}"; do
    cp "$work/unpacked/usr/share/dictd/$name.index" "$work/unpacked/usr/share/dictd/$name.dict.dz" "$target/"
done
echo "Dictionaries for the import tests in $target"
