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
# and its Wine root once (the README's Windows section). Not yet part of
# every run: its window tests do not yet pass under Wine on this tree.
qt="${PARVEX_WINDOWS_QT:-$HOME/.cache/parvex/qt6-mingw-6.4.2}"
wine_root="${PARVEX_WINE_ROOT:-$HOME/.cache/parvex/wine-trixie-root}"
if [ -n "${PARVEX_WINDOWS_STAGE:-}" ] && [ -f "$qt/.complete" ] && [ -f "$wine_root/.complete" ]; then
    scripts/test-windows.sh
else
    echo "Windows stage not run: it runs with PARVEX_WINDOWS_STAGE=1 once Qt for Windows" \
        "($qt) and the Wine root ($wine_root) are built (scripts/build-windows-qt.sh," \
        "scripts/build-wine-root.sh)"
fi
