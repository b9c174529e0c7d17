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
    # Making the .deb and checking it as Debian does.
    dpkg-dev file lintian appstream desktop-file-utils man-db bash-completion
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
