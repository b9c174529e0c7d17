#!/usr/bin/env bash
# Runs a fuzzer for a while on a temporary copy of a corpus, so the checked-in
# corpus stays as it is. Exits non-zero on any finding: a sanitizer report, a
# crash or abort, a hang (-timeout) or too much memory (-rss_limit_mb). The
# input that caused it is kept in OUT/findings/, the run's log in OUT/last-run.log.
#
# usage: run-fuzzer.sh FUZZER CORPUS OUT SECONDS [more libFuzzer options]
set -euo pipefail
fuzzer=$1
corpus=$2
out=$3
seconds=$4
shift 4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$corpus/." "$work/"
mkdir -p "$out/findings"
log="$out/last-run.log"

# A smaller quarantine than the default keeps the resident size flat enough for
# -rss_limit_mb to mean growth of our own; one input frees far less than this.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=64"
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"
# Where LeakSanitizer cannot run, the caller turns it off; so does the fuzzer.
leaks=1
if [[ "$ASAN_OPTIONS" == *detect_leaks=0* ]]; then
    leaks=0
fi
status=0
"$fuzzer" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=512 \
    -detect_leaks=$leaks -print_final_stats=1 -artifact_prefix="$out/findings/" "$@" \
    >"$log" 2>&1 || status=$?

if [ "$status" -ne 0 ]; then
    tail -n 80 "$log"
    echo "Fuzzing found a fault (exit $status); the input is in $out/findings/, the log in $log"
    exit "$status"
fi
# The last status line: executions, coverage, corpus size, speed.
grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1
grep -E '^stat::' "$log"
echo "Corpus grew from $(find "$corpus" -type f | wc -l) to $(find "$work" -type f | wc -l) inputs"
