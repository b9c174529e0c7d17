#!/usr/bin/env bash
# Lets apt fetch Debian's source packages, once: the Windows builds of Qt and
# libpq are made from Debian's own sources of the versions the host has.
set -euo pipefail

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
sources_file=/etc/apt/sources.list.d/parvex-deb-src.sources
if [ ! -f "$sources_file" ]; then
    echo "Adding Debian's source packages to apt: $sources_file"
    $sudo tee "$sources_file" >/dev/null <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    $sudo apt-get update -qq
fi
