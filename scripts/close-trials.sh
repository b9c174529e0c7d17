#!/usr/bin/env bash
# Closes the window from the window manager in the middle of a Set, TRIES
# times in a row (default 20), on a private X server beside two CPU-bound
# processes, and counts the tries in which the program ended in time.
#   scripts/close-trials.sh [TRIES] [PARVEX_DEMO]
set -euo pipefail
cd "$(dirname "$0")/.."
tries="${1:-20}"
build_dir="${BUILD_DIR:-build}"
demo="${2:-$build_dir/tools/demo/parvex-demo}"
trial="$build_dir/tools/close-trial/parvex-close-trial"

exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 display <&"$display_fd"
burners=()
for _ in 1 2; do
    sha256sum /dev/zero &
    burners+=($!)
done
trap 'kill "${burners[@]}" "$xvfb" 2>/dev/null || true' EXIT

ended_in_time=0
for try in $(seq 1 "$tries"); do
    if result="$(DISPLAY=":$display" "$trial" "$demo" 2>/dev/null)"; then
        ended_in_time=$((ended_in_time + 1))
    fi
    echo "try $try: $result"
done
echo "$ended_in_time of $tries ended in time"
[ "$ended_in_time" -eq "$tries" ]
