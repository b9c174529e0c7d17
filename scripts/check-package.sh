#!/usr/bin/env bash
# Builds the .deb from build/ (or $BUILD_DIR) and checks it as Debian would:
# lintian, the AppStream metadata, the desktop entry and the manual page.
# Any error or warning fails it. Run after scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"

deb=$(cd "$build_dir" && cpack -G DEB | sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p')
[ -f "$deb" ] || { echo "cpack made no .deb" >&2; exit 1; }
echo "Package: $deb"

# The changelog and the metadata name the version the package carries.
version=$(dpkg-deb -f "$deb" Version)
changelog_version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
release_version=$(grep -o -m1 '<release version="[^"]*"' data/parvex.metainfo.xml | cut -d'"' -f2)
if [ "$changelog_version" != "$version" ] || [ "$release_version" != "$version" ]; then
    echo "version $version, changelog $changelog_version, metadata $release_version" >&2
    exit 1
fi

lintian --fail-on error,warning --display-info "$deb"
echo "lintian: no error, no warning"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"

appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml
# Their hints too: a category that would hide an entry in a catch-all menu.
for entry in parvex parvex-station; do
    hints=$(desktop-file-validate "$tree/usr/share/applications/$entry.desktop" 2>&1 || true)
    if [ -n "$hints" ]; then
        echo "$hints" >&2
        exit 1
    fi
done
echo "desktop entries: valid"

# The manual pages as lintian reads them: any message of groff is a fault.
for man_page in "$tree"/usr/share/man/man1/parvex*.1.gz; do
    messages=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$man_page" 2>&1 >/dev/null || true)
    if [ -n "$messages" ]; then
        echo "$messages" >&2
        exit 1
    fi
    lexgrog "$man_page"
done

# The companion's completion loads in bash and completes its commands.
completion="$tree/usr/share/bash-completion/completions/parvex-cli"
words=$(bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" &&
    COMP_WORDS=(parvex-cli ""); COMP_CWORD=1; COMP_LINE="parvex-cli "; COMP_POINT=11;
    _parvex_cli parvex-cli "" parvex-cli; echo "${COMPREPLY[*]}"' _ "$completion")
if [ "$words" != "read set apply default clear detect station summary" ]; then
    echo "bash completion offers \"$words\"" >&2
    exit 1
fi
echo "bash completion: the commands"
echo "Package checks passed"
