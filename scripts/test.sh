#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Each piece of knowledge in one place, and the protocol library free of the toolkit.
scripts/check-one-place.sh
scripts/build.sh
build_dir="${BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j2 "$@"
# The .deb through lintian, and its metadata, desktop entry and manual page.
scripts/check-package.sh
# ASan+UBSan unit and window tests and a short fuzz run, in build-sanitize/.
scripts/sanitize.sh
# The Windows build, proven under Wine, on a machine that has built its Qt
# once (scripts/build-windows-qt.sh; the README's Windows section).
qt="${PARVEX_WINDOWS_QT:-$HOME/.cache/parvex/qt6-mingw-6.4.2}"
if [ -f "$qt/.complete" ]; then
    scripts/test-windows.sh
else
    echo "Windows stage not run: Qt for Windows is not built in $qt (scripts/build-windows-qt.sh)"
fi
