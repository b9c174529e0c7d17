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
