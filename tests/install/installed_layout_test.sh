#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build tree into a scratch prefix and checks the installed program, not the build
# tree: exactly the shipped files (no test-only library, probe, test, benchmark or fuzzer),
# relative bin/ links, a tree that still works after it was moved, manual pages that match the
# programs' usage texts, and tagwright-cli reading and writing the simulator through its link
# from another working directory.
# Last, the window's language setting: an installed AppConfig.ini the operator cannot write stays
# as shipped, and the choice goes into the operator's own copy (LANGUAGE_PROBE stands in for the
# window, placed beside the installed program).
# Usage: installed_layout_test.sh CMAKE BUILD_DIR VERSION LANGUAGE_PROBE
set -euo pipefail
cmake_command=$1 build_dir=$2 version=$3
language_probe=$(realpath "$4")
workbook=$(cd "$(dirname "$0")/../fixtures" && pwd)/rows.xls
check_man_pages=$(cd "$(dirname "$0")/../../scripts" && pwd)/check-man-pages.sh

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cmake_command" --install "$build_dir" --prefix "$scratch/prefix" >/dev/null

expected="bin/cardhost-sim
bin/tagwright
bin/tagwright-cli
lib/tagwright/AppConfig.ini
lib/tagwright/cardhost-sim
lib/tagwright/libcardhost.so
lib/tagwright/tagwright
lib/tagwright/tagwright-cli
lib/tagwright/tagwright-xls-reader
share/applications/tagwright.desktop
share/doc/tagwright/changelog.gz
share/doc/tagwright/copyright
share/icons/hicolor/128x128/apps/tagwright.png
share/icons/hicolor/16x16/apps/tagwright.png
share/icons/hicolor/24x24/apps/tagwright.png
share/icons/hicolor/256x256/apps/tagwright.png
share/icons/hicolor/32x32/apps/tagwright.png
share/icons/hicolor/48x48/apps/tagwright.png
share/icons/hicolor/64x64/apps/tagwright.png
share/icons/hicolor/scalable/apps/tagwright.svg
share/man/man1/cardhost-sim.1.gz
share/man/man1/tagwright-cli.1.gz
share/man/man1/tagwright.1.gz
share/metainfo/org.example.tagwright.metainfo.xml"
actual=$(cd "$scratch/prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]; then
    diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") >&2 || true
    fail "the installed files differ from the shipped list (< expected, > installed)"
fi

for program in tagwright tagwright-cli cardhost-sim; do
    link="$scratch/prefix/bin/$program"
    [ -L "$link" ] || fail "bin/$program is not a link"
    case $(readlink "$link") in
        /*) fail "bin/$program points to an absolute path: $(readlink "$link")" ;;
    esac
done
grep -qx 'Language=EN' "$scratch/prefix/lib/tagwright/AppConfig.ini" ||
    fail "the shipped AppConfig.ini does not select English"

# A moved tree still finds its library and its helper: nothing points back to the prefix.
mv "$scratch/prefix" "$scratch/moved"
bin="$scratch/moved/bin"
export CARDHOST_SIM_DIR="$scratch/sim"
cd /

out=$("$bin/tagwright-cli" --version)
[ "$out" = "tagwright-cli $version" ] || [[ "$out" == "tagwright-cli $version (git "*")" ]] ||
    fail "tagwright-cli --version said: $out"
out=$("$bin/cardhost-sim" --version)
[[ "$out" == "cardhost-sim $version"* ]] || fail "cardhost-sim --version said: $out"
# The manual pages as shipped: rendered without warnings, and naming every option, command and
# variable of the shipped programs' usage texts (and no option they do not know).
"$check_man_pages" "$bin" "$scratch/moved/share/man/man1" >/dev/null ||
    fail "the manual pages do not match tagwright-cli --help and cardhost-sim --help"

out=$("$bin/tagwright-cli" readers) || fail "tagwright-cli readers failed: $out"
grep -qx 'SIM-0001' <<<"$out" || fail "tagwright-cli readers did not list SIM-0001: $out"
"$bin/cardhost-sim" tag remove --reader SIM-0001 >/dev/null
"$bin/cardhost-sim" tag new --model NTAG215 --layout plain --reader SIM-0001 >/dev/null
out=$("$bin/tagwright-cli" write text "installed") || fail "write failed: $out"
grep -q 'Write data succeed: installed' <<<"$out" || fail "write did not succeed: $out"
out=$("$bin/tagwright-cli" read text) || fail "read failed: $out"
grep -qx 'text: installed' <<<"$out" || fail "read did not find the text: $out"
# A batch from an .xls workbook goes through the helper beside the program.
out=$("$bin/tagwright-cli" write text --from-file "$workbook") || fail "the .xls batch failed: $out"
grep -q 'Write data succeed' <<<"$out" || fail "the .xls batch wrote nothing: $out"

# The language setting beside an installed program that the operator cannot write. Root writes
# any file, so as root the operator is "nobody".
program_dir="$scratch/moved/lib/tagwright"
cp "$language_probe" "$program_dir/"
chmod a-w "$program_dir/AppConfig.ini"
operator_home="$scratch/operator"
mkdir -p "$operator_home"
as_operator=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || {
        echo "SKIP: running as root without setpriv, no operator to run the language check as"
        exit 77
    }
    chmod 755 "$scratch"
    chown 65534:65534 "$operator_home"
    as_operator=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
probe() {
    "${as_operator[@]}" env HOME="$operator_home" XDG_CONFIG_HOME="$operator_home/.config" \
        "$program_dir/language_probe" "$@"
}
[ "$(probe)" = EN ] || fail "the installed AppConfig.ini did not read as English"
[ "$(probe CN)" = CN ] || fail "a language chosen by the operator was not kept"
[ "$(probe)" = CN ] || fail "the operator's choice did not hold at the next start"
grep -qx 'Language=EN' "$program_dir/AppConfig.ini" || fail "the installed AppConfig.ini changed"
grep -qx 'Language=CN' "$operator_home/.config/Varnholt/Tagwright/AppConfig.ini" ||
    fail "no operator's copy of AppConfig.ini"

echo "installed layout: $(wc -l <<<"$actual") files; tagwright-cli, cardhost-sim and the language copy work"
