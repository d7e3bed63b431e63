#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, if any are missing.
# 64-bit only: this machine cannot run 32-bit x86 code, so no wine32 and no i386 architecture.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang clang-format
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
    wine wine64 xvfb xauth x11-utils imagemagick
    googletest mdbtools zlib1g-dev unicode-data time libz-mingw-w64-dev fonts-wqy-microhei
    fonts-dejavu-core locales libhunspell-dev dpkg-dev
    dictd dict # the server and client the pages are compared with
    python3-pyglossary # writes a StarDict test dictionary (fetch-dictionaries.sh)
)
# The database cross-check runs the npm package mdb-reader; any Node.js with npm will do.
command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
