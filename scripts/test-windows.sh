#!/usr/bin/env bash
# Proves the Windows build under Wine, in a Wine prefix of the run's own
# (build-windows/wine-prefix), with the Wine 10 of a cached trixie root
# (scripts/build-wine-root.sh; see the README's Windows section for why not
# Debian 12's Wine 8):
#   1. the unit and window tests, built for Windows, on the offscreen platform;
#   2. the companion's, the station's and the line's end-to-end tests (the
#      same ones as on Linux) running parvex-cli.exe against virtual modules
#      whose lines are COM ports of the prefix (dosdevices/comN links), the
#      line's against a PostgreSQL server the test starts on Linux, reached
#      over TCP;
#   3. the window connecting on a COM row and reading a module whole, and the
#      station's window started with options on two COM ports provisioning
#      both modules;
#   4. a read at the default pace, timed (the README's row measured under Wine);
#   5. the installer installing silently, the installed companion running,
#      the Start menu entry, the uninstaller removing it all, and the zip
#      holding the same files and running on its own.
# Builds what it needs first: the Qt for Windows and the Wine root once each
# (cached outside the work tree), scripts/build-windows.sh, and the Linux
# side's virtual module and tests in build/. Ends with "wine: N passed, N
# failed".
set -euo pipefail
cd "$(dirname "$0")/.."
project_dir="$PWD"
qt="${PARVEX_WINDOWS_QT:-$HOME/.cache/parvex/qt6-mingw-6.4.2}"
windows_build="$project_dir/${WINDOWS_BUILD_DIR:-build-windows}"
linux_build="$project_dir/${BUILD_DIR:-build}"

scripts/build-windows-qt.sh
scripts/build-wine-root.sh
scripts/build-windows.sh
cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$linux_build" -j"$(nproc)" -t virtual-module cli_modules_test cli_station_test \
    cli_line_test pty_modem_status thread_end_guard >/dev/null
virtual_module="$linux_build/tools/virtual-module/virtual-module"

wine="$project_dir/scripts/wine-run.sh"
export WINEPREFIX="$windows_build/wine-prefix"
export PARVEX_WINE_PRELOAD="$linux_build/tests/libpty_modem_status.so:$linux_build/tests/libthread_end_guard.so"
# The cached Qt's libraries and plugins and the compiler's runtime, for the
# programs of the build folder.
library_dirs=("$qt/bin" "${PARVEX_WINDOWS_LIBPQ:-$HOME/.cache/parvex/libpq-mingw-15}/bin")
for runtime in libstdc++-6.dll libwinpthread-1.dll; do
    library_dirs+=("$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name="$runtime")")")")
done
wine_path=""
for folder in "${library_dirs[@]}"; do wine_path+="Z:$(tr / '\\' <<<"$folder");"; done
with_libraries=(env WINEPATH="$wine_path")
# Bound for every Wine process of the run, the server included: the server
# opens the files its programs name.
PARVEX_WINE_BIND="$qt:$(IFS=:; echo "${library_dirs[*]:1}")"
export PARVEX_WINE_BIND
dosdevices="$WINEPREFIX/dosdevices"
work="$(mktemp -d "${TMPDIR:-/tmp}/parvex-wine.XXXXXX")"
modules=()

stop_everything() {
    for pid in "${modules[@]}"; do kill "$pid" 2>/dev/null || true; done
    "$wine" wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap stop_everything EXIT

# One server for the whole run, started before any COM link exists: Wine maps
# its ports when its server starts, and the prefix's /dev has no port of its
# own, so the links the tests make are the only COM ports.
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wine" wineserver -p </dev/null >/dev/null 2>&1
"$wine" wineboot -i </dev/null >/dev/null 2>&1
# No display: windows, hidden ones included, go to Wine's null driver.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
# Started again, so that the desktop and the services run on that driver from
# the start. They are started here, with no test's output tied to them: a
# service started by a test would hold that test's output open, and ctest
# would wait for it until the test's time runs out.
"$wine" wineserver -k </dev/null >/dev/null 2>&1
"$wine" wineserver -p </dev/null >/dev/null 2>&1
"$wine" wineboot </dev/null >/dev/null 2>&1

passed=0
failed=0
count() {
    passed=$((passed + $1))
    failed=$((failed + $2))
}
# check WHAT COMMAND...: one check, counted.
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
        count 1 0
    else
        echo "FAILED: $what"
        count 0 1
    fi
}

# A virtual module on COM<n> of the prefix; its state line in $work/state<n>.
start_module() {
    local n=$1
    shift
    "$virtual_module" --link "$dosdevices/com$n" "$@" >"$work/module$n.log" &
    modules+=($!)
    for _ in $(seq 100); do
        grep -m1 '^state: ' "$work/module$n.log" >"$work/state$n" && return 0
        sleep 0.1
    done
    echo "the module on COM$n did not start" >&2
    return 1
}

echo "== unit and window tests under Wine"
status=0
QT_QPA_PLATFORM=offscreen "${with_libraries[@]}" ctest --test-dir "$windows_build" -j2 \
    --output-on-failure >"$work/ctest.log" 2>&1 || status=$?
grep -E "tests passed|tests failed|\*\*\*Failed|Timeout" "$work/ctest.log" || true
total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$work/ctest.log")
failing=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$work/ctest.log")
if [ -z "$total" ]; then
    cat "$work/ctest.log"
    count 0 1
else
    count $((total - failing)) "$failing"
fi
[ "$status" -eq 0 ] || tail -n 60 "$work/ctest.log"

for suite in cli_modules_test cli_station_test cli_line_test; do
    echo "== the companion's end-to-end tests ($suite): parvex-cli.exe on COM ports"
    status=0
    PARVEX_CLI_COMMAND="$wine $windows_build/parvex-cli.exe" PARVEX_CLI_PORTS="$dosdevices" \
        "${with_libraries[@]}" "$linux_build/tests/$suite" >"$work/$suite.log" 2>&1 || status=$?
    grep -E "^(FAIL|SKIP|Totals)" -A3 "$work/$suite.log" || true
    totals=$(grep -m1 '^Totals:' "$work/$suite.log" || echo "Totals: 0 passed, 1 failed")
    count "$(sed 's/Totals: \([0-9]*\) passed.*/\1/' <<<"$totals")" \
        "$(sed 's/.* \([0-9]*\) failed.*/\1/' <<<"$totals")"
    [ "$status" -eq 0 ] || [[ "$totals" == *" 0 failed"* ]] || tail -n 40 "$work/$suite.log"
done

echo "== the window reads a module on COM3"
start_module 3 --name "WINE ROW 3" --password 2468 --max-conn 3
# Listed as Windows lists a serial port, so that its row tells it is present.
"$wine" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\Serial2' /t REG_SZ \
    /d COM3 /f >/dev/null 2>&1
window_reads_com3() {
    QT_QPA_PLATFORM=offscreen "${with_libraries[@]}" "$wine" \
        "$windows_build/tools/window-driving/parvex-window-read-check.exe" --row COM3 \
        --expect "$(cat "$work/state3")" | tr -d '\r' | tee "$work/window.log"
    [ "${PIPESTATUS[0]}" -eq 0 ] && grep -q 'connecting on COM3, COM3: present' "$work/window.log"
}
check "the window connected on its row COM3 (present) and read the module whole" \
    window_reads_com3

echo "== the station's window provisions the modules on COM5 and COM6"
start_module 5 --name "WINE STATION 5"
start_module 6 --name "WINE STATION 6"
printf '{"password": "2468"}' >"$work/station-profile.json"
station_window_provisions() {
    # Ends by itself at its quota, once both have passed.
    QT_QPA_PLATFORM=offscreen PARVEX_STATION_NO_BOXES=1 "${with_libraries[@]}" timeout 120 \
        "$wine" "$windows_build/parvex-station.exe" "$work/station-profile.json" -p COM5 -p COM6 \
        --rate 9600 --name-pattern WS-### --quota 2 --record "$work/station.jsonl" \
        --station wine-window
    grep -c '"outcome":"pass"' "$work/station.jsonl" | grep -qx 2 &&
        tail -n 1 "$work/station.jsonl" | grep -q '"event":"stop"'
}
check "parvex-station.exe with options provisioned both modules and settled its record" \
    station_window_provisions

echo "== a read at the default pace through Wine's serial code"
start_module 4
read_at_default_pace() {
    "${with_libraries[@]}" "$wine" "$windows_build/parvex-cli.exe" read -p COM4 --rate 9600 --json \
        >"$work/read.json"
}
started=$(date +%s%N)
check "parvex-cli.exe read -p COM4 at the default pace" read_at_default_pace
ended=$(date +%s%N)
seconds=$(sed -n 's/.*"seconds": *\([0-9.]*\).*/\1/p' "$work/read.json")
echo "read at the default pace under Wine: $(((ended - started) / 1000000)) ms from the" \
    "program's start to its end, ${seconds} s on the port; floor 6000 ms"

echo "== the installer and the zip"
# Without the cached Qt on the search path: what is installed must hold all
# it loads.
installer=$(ls "$windows_build"/parvex-*-win64.exe)
zip=$(ls "$windows_build"/parvex-*-win64.zip)
echo "installer $(basename "$installer"): $(stat -c %s "$installer") bytes;" \
    "zip $(basename "$zip"): $(stat -c %s "$zip") bytes"
installed="$WINEPREFIX/drive_c/Program Files/Parvex"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu"
check "the installer installs silently" "$wine" "$installer" /S
installed_version() {
    local version
    version=$("$wine" 'C:\Program Files\Parvex\parvex-cli.exe' --version | tr -d '\r')
    echo "installed parvex-cli.exe --version: $version"
    [ "$version" = "parvex-cli $(sed -n 's/^project(parvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" ]
}
check "the installed parvex-cli.exe runs and tells its version" installed_version
start_menu_entry() { find "$start_menu" -name Parvex.lnk | grep -q .; }
check "the Start menu has the window's entry" start_menu_entry
station_entry() {
    [ -f "$installed/parvex-station.exe" ] && find "$start_menu" -name 'Parvex Station.lnk' | grep -q .
}
check "parvex-station.exe is installed with its Start menu entry" station_entry

mkdir "$work/zip"
unzip -q "$zip" -d "$work/zip"
unpacked=$(find "$work/zip" -mindepth 1 -maxdepth 1 -type d)
same_files() {
    diff <(cd "$unpacked" && find . -type f | sort) \
        <(cd "$installed" && find . -type f ! -name Uninstall.exe | sort)
}
check "the zip holds the files the installer installs" same_files
unpacked_runs() { "$wine" "$unpacked/parvex-cli.exe" --version | grep -q '^parvex-cli '; }
check "parvex-cli.exe runs from the unpacked zip" unpacked_runs

# The uninstaller hands over to a copy of itself and returns at once.
"$wine" 'C:\Program Files\Parvex\Uninstall.exe' /S
uninstalled() {
    for _ in $(seq 300); do
        [ ! -e "$installed" ] && ! start_menu_entry && return 0
        sleep 0.1
    done
    return 1
}
check "the uninstaller removes the programs and the Start menu entry" uninstalled

echo "wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
