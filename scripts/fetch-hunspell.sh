#!/usr/bin/env bash
# Fetches what the word forms need into <directory>, unless it is there: the Hunspell
# dictionaries of English, German and French (Debian packages, unpacked, not installed) in
# <directory>/dictionaries, and with --source Hunspell's own source package in
# <directory>/source, for building the library for Windows (Debian ships it for Linux only).
# The source comes from a deb-src entry for the machine's own mirror, kept in a package list
# of the build's own: the machine's apt configuration is not changed.
# Usage: fetch-hunspell.sh <directory> [--source]
set -euo pipefail
. "$(dirname "$0")/unpack-packages.sh"
target=$1
source=${2:-}
mkdir -p "$target"
target=$(cd "$target" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work" # apt's own user writes the download here

# package: the dictionaries it carries (the word list and its affix rules)
declare -A carries=([hunspell-en-us]=en_US [hunspell-de-de]=de_DE [hunspell-fr-classical]=fr)
packages=()
for package in "${!carries[@]}"; do
    name=${carries[$package]}
    [ -s "$target/dictionaries/$name.aff" ] && [ -s "$target/dictionaries/$name.dic" ] ||
        packages+=("$package")
done
if [ ${#packages[@]} -gt 0 ]; then
    unpack_packages "$work" "${packages[@]}"
    mkdir -p "$target/dictionaries"
    for package in "${packages[@]}"; do
        name=${carries[$package]}
        cp "$work/unpacked/usr/share/hunspell/$name.aff" "$work/unpacked/usr/share/hunspell/$name.dic" \
            "$target/dictionaries/"
    done
    echo "Hunspell dictionaries in $target/dictionaries"
fi

[ "$source" = --source ] || exit 0
[ -f "$target/source/src/hunspell/hunspell.cxx" ] && exit 0
# The machine's Debian entry, as a deb-src entry of the build's own.
apt_dir="$target/apt"
mkdir -p "$apt_dir/lists/partial"
entry=$(grep -l '^URIs: .*deb.debian.org/debian$' /etc/apt/sources.list.d/*.sources | head -n 1)
sed -e 's/^Types: deb$/Types: deb-src/' "$entry" >"$apt_dir/debian-src.sources"
options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir"
         -o "Dir::State::Lists=$apt_dir/lists" -o "APT::Sandbox::User=root")
apt-get "${options[@]}" update -qq
(cd "$work" && apt-get "${options[@]}" source --download-only hunspell >/dev/null)
(cd "$work" && dpkg-source --no-check -x hunspell_*.dsc unpacked-source >/dev/null)
rm -rf "$target/source"
mv "$work/unpacked-source" "$target/source"
echo "Hunspell's source in $target/source"
