#!/usr/bin/env bash
# Cross-builds libpq, the PostgreSQL client library the line's store uses,
# for Windows with MinGW-w64, once: from Debian's own postgresql-15 source,
# without TLS (Debian has no OpenSSL for MinGW), readline, zlib or ICU. The
# DLL imports only system DLLs. The result is cached beside the Qt for
# Windows; a complete cache makes this script do nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

prefix="${PARVEX_WINDOWS_LIBPQ:-$HOME/.cache/parvex/libpq-mingw-15}"
stamp="$prefix/.complete"
if [ -f "$stamp" ]; then
    echo "libpq for Windows is cached in $prefix"
    exit 0
fi

scripts/install-windows-deps.sh
scripts/add-debian-sources.sh

work="$(mktemp -d "${TMPDIR:-/tmp}/parvex-libpq-mingw.XXXXXX")"
trap 'rm -rf "$work"' EXIT
started=$(date +%s)
cd "$work"
apt-get source -qq --download-only postgresql-15 2>/dev/null
dpkg-source -x --no-check ./*.dsc postgresql >/dev/null
cd postgresql
./configure -q --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix --prefix="$prefix" \
    --without-readline --without-zlib --without-icu --without-openssl >/dev/null
make -s -j"$(nproc)" -C src/interfaces/libpq >/dev/null
rm -rf "$prefix"
make -s -C src/interfaces/libpq install >/dev/null
# libpq-fe.h includes these two.
cp src/include/postgres_ext.h src/include/pg_config_ext.h "$prefix/include/"

echo "built in $(($(date +%s) - started)) s" >"$stamp"
echo "libpq for Windows built into $prefix in $(($(date +%s) - started)) s"
