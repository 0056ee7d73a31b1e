#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks a built Debian package: lintian without errors, the desktop entry and the AppStream
# metainfo valid, the manual pages matching the programs, and the packaged tagwright-cli writing
# and reading a tag on the simulator.
# Usage: scripts/check-package.sh [DEB]   (default: the one package in build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-$(ls build/package/tagwright_*.deb)}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "lintian $deb"
lintian --fail-on error "$deb"

dpkg-deb -x "$deb" "$scratch/root"
desktop-file-validate "$scratch"/root/usr/share/applications/*.desktop
# --no-net: the metainfo's addresses are placeholders until the project has a home page.
appstreamcli validate --no-net "$scratch"/root/usr/share/metainfo/*.metainfo.xml
# The tree as installed: the metainfo's launchable names a desktop entry that is there.
appstreamcli validate-tree --no-net "$scratch/root"
# The manual pages render without warnings and match the packaged programs' usage texts.
scripts/check-man-pages.sh "$scratch/root/usr/bin" "$scratch/root/usr/share/man/man1"

# The packaged programs, run from the unpacked tree against a private simulator.
bin="$scratch/root/usr/bin"
export CARDHOST_SIM_DIR="$scratch/sim"
"$bin/tagwright-cli" --version
expect() {  # expect PATTERN COMMAND...: the command succeeds and prints a line PATTERN matches
    local pattern=$1 out
    shift
    out=$("$@") && grep -q -- "$pattern" <<<"$out" || {
        echo "packaged ${*##*/} printed: $out" >&2
        exit 1
    }
}
expect '^SIM-0001$' "$bin/tagwright-cli" readers
expect 'Write data succeed: packaged' "$bin/tagwright-cli" write text "packaged"
expect '^text: packaged$' "$bin/tagwright-cli" read text
echo "package checked: $(basename "$deb")"
