#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks a built Debian package: lintian without errors, the desktop entry and the AppStream
# metainfo valid, and the packaged tagwright-cli writing and reading a tag on the simulator.
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
for page in "$scratch"/root/usr/share/man/man1/*.1.gz; do
    warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -ww -z -man 2>&1)
    [ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
done

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
