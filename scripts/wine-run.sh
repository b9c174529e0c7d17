#!/usr/bin/env bash
# Runs a Windows program under the Wine of the cached trixie root
# (scripts/build-wine-root.sh), in a mount namespace of its own: /proc, /tmp
# and the project folder are bound into the root at their own paths, so that
# paths, pseudo-terminals and COM links mean the same inside and out. Its
# /dev holds the pseudo-terminals and the plain devices, and no serial port
# of this machine, so that Wine maps no COM port of its own beside the
# tests' links. The program keeps this script's process id (every step
# execs), so a signal sent to it reaches the program. Used by ctest as the
# build's emulator and by the companion's end-to-end tests as the program
# under test; "wine-run.sh wineserver ARGS" runs the Wine server instead.
#
#   WINEPREFIX              the Wine prefix (default build-windows/wine-prefix)
#   PARVEX_WINE_ROOT        the root (default ~/.cache/parvex/wine-trixie-root)
#   PARVEX_WINE_PRELOAD     libraries preloaded into Wine, separated by colons
#                           (the tests' modem status of pseudo-terminals and
#                           their guard of a thread's end), or none
#   PARVEX_WINE_BIND        more folders to bind, separated by colons (the
#                           cached Qt whose libraries the tests load); the
#                           same for every process of one Wine server, since
#                           the server opens the files its programs name
set -euo pipefail
project_dir="$(cd "$(dirname "$0")/.." && pwd)"
root="${PARVEX_WINE_ROOT:-$HOME/.cache/parvex/wine-trixie-root}"
[ -f "$root/.complete" ] || { echo "no Wine root in $root: run scripts/build-wine-root.sh" >&2; exit 125; }
export WINEPREFIX="${WINEPREFIX:-$project_dir/build-windows/wine-prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No dialogue about the .NET and HTML engines a new prefix would offer, and
# no debugger waiting on a program that crashed: it ends with its exception.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"
binds="$project_dir${PARVEX_WINE_BIND:+:$PARVEX_WINE_BIND}"
IFS=: read -r -a folders <<<"$binds"
for folder in "${folders[@]}"; do mkdir -p "$root$folder"; done

program=/usr/lib/wine/wine64
if [ "${1:-}" = wineserver ]; then
    program=/usr/lib/wine/wineserver
    shift
fi

exec unshare --mount /bin/sh -ec '
root=$1 binds=$2 preload=$3 program=$4
shift 4
mount -t tmpfs -o mode=755 dev "$root/dev"
for node in null zero full random urandom tty ptmx; do
    touch "$root/dev/$node"
    mount --bind "/dev/$node" "$root/dev/$node"
done
mkdir "$root/dev/pts" "$root/dev/shm"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs shm "$root/dev/shm"
mount -t proc proc "$root/proc"
mount --bind /tmp "$root/tmp"
IFS=:
for folder in $binds; do mount --bind "$folder" "$root$folder"; done
unset IFS
exec chroot "$root" /bin/sh -ec "
    cd \"\$1\" 2>/dev/null || cd /
    shift
    export WINELOADER=/usr/lib/wine/wine64 ${preload:+LD_PRELOAD=$preload}
    exec $program \"\$@\"" sh "$PWD" "$@"
' sh "$root" "$binds" "${PARVEX_WINE_PRELOAD:-}" "$program" "$@"
