#!/usr/bin/env bash
# Closes the window from the window manager in the middle of a Set, TRIES
# times in a row (default 20), on a private X server beside two CPU-bound
# processes (CPU_LOAD of them), and counts the tries that ended in time.
#   scripts/close-trials.sh [--swept] [TRIES] [PARVEX_DEMO]
# --swept: the long burst (a worn module, Default(D), then Set(S)), the
# close sent from 0.1 s to 4.5 s after Set in steps of 0.2 s, try after
# try, and a compiler build at a lower priority beside the two processes.
set -euo pipefail
cd "$(dirname "$0")/.."
swept=false
if [ "${1:-}" = --swept ]; then
    swept=true
    shift
fi
tries="${1:-20}"
build_dir="${BUILD_DIR:-build}"
demo="${2:-$build_dir/tools/demo/parvex-demo}"
trial="$build_dir/tools/close-trial/parvex-close-trial"

exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 display <&"$display_fd"
load=()
for _ in $(seq 1 "${CPU_LOAD:-2}"); do
    sha256sum /dev/zero &
    load+=($!)
done
if $swept; then
    # A build going on beside: the compiler again and again, niced.
    read -ra qt_flags <<<"$(pkg-config --cflags Qt6Widgets)"
    (while :; do
        echo '#include <QtWidgets>' | nice -n 10 g++ -std=c++17 -fPIC -O2 "${qt_flags[@]}" \
            -x c++ -c - -o /dev/null
    done) &
    load+=($!)
fi
trap 'pkill -P "${load[*]: -1}" 2>/dev/null; kill "${load[@]}" "$xvfb" 2>/dev/null || true' EXIT
# Ended from outside (a timeout, Ctrl+C): the load and the server go too.
trap 'exit 143' INT TERM

ended_in_time=0
slowest_ms=0
for try in $(seq 1 "$tries"); do
    options=()
    if $swept; then
        options=(--defaults --close-after $((100 + (try - 1) % 23 * 200)))
    fi
    if result="$(DISPLAY=":$display" "$trial" "${options[@]}" "$demo" 2>/dev/null)"; then
        ended_in_time=$((ended_in_time + 1))
    fi
    echo "try $try ${options[*]}: $result"
    if [[ "$result" =~ ended\ ([0-9]+)\ ms\ after\ the\ close ]] &&
        [ "${BASH_REMATCH[1]}" -gt "$slowest_ms" ]; then
        slowest_ms="${BASH_REMATCH[1]}"
    fi
done
echo "$ended_in_time of $tries ended in time; the slowest ended $slowest_ms ms after its close"
[ "$ended_in_time" -eq "$tries" ]
