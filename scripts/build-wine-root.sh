#!/usr/bin/env bash
# Makes the root that runs the Windows build under Wine, once: a minimal
# Debian trixie with its Wine 10, from the same Debian mirror. Debian 12's
# Wine 8 cannot read from a COM port that is a pseudo-terminal (see the
# README's Windows section); Wine 10 queues serial waits as asynchronous
# requests and can. The root is cached outside the work tree; a complete one
# makes this script do nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

root="${PARVEX_WINE_ROOT:-$HOME/.cache/parvex/wine-trixie-root}"
stamp="$root/.complete"
if [ -f "$stamp" ]; then
    echo "The Wine root is cached in $root"
    exit 0
fi

scripts/install-windows-deps.sh

mirror="$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n1)"
mirror="${mirror:-http://deb.debian.org/debian}"
started=$(date +%s)
rm -rf "$root"
mkdir -p "$(dirname "$root")"
debootstrap --variant=minbase --include=wine64,wine trixie "$root" "$mirror" >"$root.log" 2>&1 ||
    { tail -n 20 "$root.log" >&2; exit 1; }
echo "made in $(($(date +%s) - started)) s, wine64 $(chroot "$root" dpkg-query -W -f='${Version}' wine64)" >"$stamp"
echo "Wine root for the Windows tests made in $root in $(($(date +%s) - started)) s"
