#!/usr/bin/env bash
# Builds the unit and window tests and the fuzzer with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer into build-sanitize/ (or $SANITIZE_BUILD_DIR),
# runs those tests there, and fuzzes the receive path for $FUZZ_SECONDS
# (default 60) alongside. Any sanitizer report or fuzzer finding fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${SANITIZE_BUILD_DIR:-build-sanitize}"
started=$SECONDS

CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPARVEX_SANITIZE=ON -DPARVEX_FUZZ_SECONDS="${FUZZ_SECONDS:-60}" >/dev/null
# Only what runs here: not the product, the demo or the end-to-end tests,
# nor the window on a real X server, whose libraries are not ours to check.
mapfile -t tests < <(ctest --test-dir "$dir" -N -L 'unit|window' -LE x11 2>/dev/null |
    sed -n 's/^ *Test *#[0-9]*: *//p')
cmake --build "$dir" -j"$(nproc)" --target "${tests[@]}" receive_path_fuzzer

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# LeakSanitizer cannot run where tracing is forbidden (some containers); the
# other checks still can.
probe=$("$dir/fuzz/receive_path_fuzzer" fuzz/corpus/query-00-version 2>&1 || true)
if grep -q "LeakSanitizer has encountered a fatal error" <<<"$probe"; then
    echo "LeakSanitizer cannot run here: leaks are not checked"
    ASAN_OPTIONS="halt_on_error=1:detect_leaks=0"
fi
QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" -L 'unit|window|fuzz' -LE x11 --output-on-failure -j2

echo "Fuzz run: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$dir/fuzz/last-run.log" | tail -n 1)"
echo "Sanitizer tests and fuzz run passed in $((SECONDS - started)) s"
