#!/usr/bin/env bash
# Installs the Debian packages the Windows build and its proof need: the
# MinGW-w64 cross compiler, NSIS for the installer, debootstrap for the root
# whose Wine runs what is built.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix mingw-w64-tools ninja-build dpkg-dev
    qt6-base-dev-tools nsis zip unzip debootstrap
)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
