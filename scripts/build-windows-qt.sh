#!/usr/bin/env bash
# Cross-builds the Qt that the Windows build links against, once: Debian's own
# qt6-base 6.4.2 source for Windows with MinGW-w64, then the serial-port
# module from the release tarball in shared/third-party. Debian's Linux Qt of
# the same version is the host (moc, rcc, uic). The result is cached outside
# the work tree; a complete cache makes this script do nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
project_dir="$PWD"

qt_version=6.4.2
prefix="${PARVEX_WINDOWS_QT:-$HOME/.cache/parvex/qt6-mingw-$qt_version}"
stamp="$prefix/.complete"
if [ -f "$stamp" ]; then
    echo "Qt $qt_version for Windows is cached in $prefix"
    exit 0
fi

serialport_tarball="$project_dir/../shared/third-party/qtserialport-$qt_version.tar.xz"
[ -f "$serialport_tarball" ] || { echo "missing $serialport_tarball" >&2; exit 1; }
(cd "$(dirname "$serialport_tarball")" && sha256sum --quiet -c SHA256SUMS)

scripts/install-windows-deps.sh

scripts/add-debian-sources.sh

work="$(mktemp -d "${TMPDIR:-/tmp}/parvex-qt-mingw.XXXXXX")"
trap 'rm -rf "$work"' EXIT
started=$(date +%s)

cd "$work"
# The same Debian revision as the host Qt, so that host tools and sources agree.
host_revision="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
case "$host_revision" in
"$qt_version"*) ;;
*) echo "the host Qt is $host_revision, not $qt_version" >&2; exit 1 ;;
esac
apt-get source -qq --download-only "qt6-base=$host_revision"
dpkg-source -x --no-check ./*.dsc base >/dev/null
toolchain="$project_dir/cmake/windows/mingw-w64-x86_64.cmake"
jobs="$(nproc)"

mkdir build-base && cd build-base
../base/configure -prefix "$prefix" -release -xplatform win32-g++ -qt-host-path /usr \
    -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-glib \
    -no-feature-network -no-feature-sql -no-feature-printsupport -no-feature-tabletevent \
    -no-feature-concurrent -no-feature-xml \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake"
cmake --build . --parallel "$jobs"
cmake --install .
cd ..

tar -xf "$serialport_tarball"
mkdir build-serialport && cd build-serialport
"$prefix/bin/qt-configure-module" "../qtserialport-$qt_version" -- -G Ninja
cmake --build . --parallel "$jobs"
cmake --install .

echo "built in $(($(date +%s) - started)) s" >"$stamp"
echo "Qt $qt_version for Windows built into $prefix in $(($(date +%s) - started)) s"
