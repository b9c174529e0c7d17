#!/usr/bin/env bash
# Cross-builds both programs, the window and unit tests and the window's read
# check for 64-bit Windows into build-windows/ (or $WINDOWS_BUILD_DIR),
# against the Qt that scripts/build-windows-qt.sh cached and the libpq that
# scripts/build-windows-libpq.sh cached, then makes the
# installer and the zip there. ctest runs the tests through
# scripts/wine-run.sh (scripts/test-windows.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
qt="${PARVEX_WINDOWS_QT:-$HOME/.cache/parvex/qt6-mingw-6.4.2}"
if [ ! -f "$qt/.complete" ]; then
    echo "No Qt for Windows in $qt: build it once with scripts/build-windows-qt.sh" >&2
    exit 1
fi
scripts/install-windows-deps.sh
scripts/build-windows-libpq.sh >/dev/null
libpq="${PARVEX_WINDOWS_LIBPQ:-$HOME/.cache/parvex/libpq-mingw-15}"
build_dir="${WINDOWS_BUILD_DIR:-build-windows}"
# Qt's toolchain file finds the cached Qt and Debian's Qt as the host's
# tools, then hands over to ours for the compiler.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/windows/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DPARVEX_LIBPQ_PREFIX="$libpq" \
    -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/scripts/wine-run.sh" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
(cd "$build_dir" && cpack -G NSIS >/dev/null && cpack -G ZIP >/dev/null)
ls -l "$build_dir"/parvex-*-win64.exe "$build_dir"/parvex-*-win64.zip
