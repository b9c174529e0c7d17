#!/usr/bin/env bash
# Installs the Debian packages the Windows build and its proof need: the
# MinGW-w64 cross compiler, NSIS for the installer, debootstrap for the root
# whose Wine runs what is built.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix mingw-w64-tools ninja-build dpkg-dev
    qt6-base-dev-tools nsis zip unzip debootstrap
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
