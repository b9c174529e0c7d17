#!/usr/bin/env bash
# Installs what is missing, builds, and runs the window on the virtual
# module. Without a display it runs the scripted tour instead, prints what
# happened and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build_dir="${BUILD_DIR:-build}"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build_dir/tools/demo/parvex-demo"
fi
exec env QT_QPA_PLATFORM=offscreen "$build_dir/tools/demo/parvex-demo" --tour \
    --screenshot "$build_dir/tour.png"
