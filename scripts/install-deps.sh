#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need; says
# nothing when everything is there already.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-private-dev qt6-serialport-dev libgl-dev libxcb1-dev
    # Closing the window from outside, on a private X server.
    libx11-dev libxtst-dev
    clang libclang-rt-14-dev
    xvfb xauth
    # The full-width "！" of the status texts, in the tour's screenshot.
    fonts-droid-fallback
    # The line's store: libpq to build with, a server for its tests.
    libpq-dev postgresql-15
    # Making the .deb and checking it as Debian does.
    dpkg-dev file lintian appstream desktop-file-utils man-db bash-completion
)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
