#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the manual pages against the programs they describe, so that the hand-written pages
# cannot drift away from the usage texts again:
# - every page renders without a groff warning;
# - every option, command and environment variable that `tagwright-cli --help` and
#   `cardhost-sim --help` print appears in the program's page, and every option the page
#   names is one the program's usage text knows.
# Usage: scripts/check-man-pages.sh BIN_DIR MAN_DIR
#   BIN_DIR holds tagwright-cli and cardhost-sim, MAN_DIR the pages (NAME.1 or NAME.1.gz).
set -euo pipefail
bin_dir=$1 man_dir=$2

command -v groff >/dev/null || {
    echo "check-man-pages: groff is missing (scripts/setup.sh installs groff-base)" >&2
    exit 1
}

problems=0
problem() {
    echo "check-man-pages: $*" >&2
    problems=$((problems + 1))
}

page_source() {  # page_source NAME: the roff text of NAME.1, gzipped or not
    local file
    for file in "$man_dir/$1.1.gz" "$man_dir/$1.1"; do
        [ -f "$file" ] && { zcat -f "$file"; return; }
    done
    return 1
}

# The page as a reader sees it, on lines long enough that no word is broken, one space apart.
page_text() {
    page_source "$1" | LC_ALL=C.UTF-8 groff -man -Tascii -rLL=2000n -P-cbou 2>/dev/null |
        tr -s ' '
}

# Options (--word), environment variables (WORD_WORD) of a usage text; one per line.
options_of() { grep -o -- '--[a-z][a-z0-9-]*' | LC_ALL=C sort -u; }
variables_of() { grep -ow -- '[A-Z][A-Z0-9]*\(_[A-Z0-9]\+\)\+' | LC_ALL=C sort -u; }
# Commands: the lines of the usage text that begin, two spaces in, with a lower-case word; the
# command is that word and a second one when it is a plain word too ("tag new", "write url").
commands_of() {
    sed -n 's/^  \([a-z][a-z-]*\)\( \([a-z][a-z-]*\)\)\{0,1\}\([ ].*\)\{0,1\}$/\1 \3/p' |
        sed 's/ *$//' | LC_ALL=C sort -u
}

pages=0
for page in "$man_dir"/*.1 "$man_dir"/*.1.gz; do
    [ -f "$page" ] || continue
    pages=$((pages + 1))
    warnings=$(zcat -f "$page" | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || problem "$page: $warnings"
done

for program in tagwright-cli cardhost-sim; do
    usage=$("$bin_dir/$program" --help) || { problem "$program --help failed"; continue; }
    text=$(page_text "$program") || { problem "no page $program.1 in $man_dir"; continue; }
    [ -n "$text" ] || { problem "$program.1 renders empty"; continue; }
    # Whole words only: --row is not --row-auto, check is not checked.
    while IFS= read -r option; do
        grep -qE -- "$option([^a-z0-9-]|\$)" <<<"$text" || problem "$program.1 does not mention $option"
    done < <(options_of <<<"$usage")
    while IFS= read -r variable; do
        grep -qw -- "$variable" <<<"$text" || problem "$program.1 does not mention $variable"
    done < <(variables_of <<<"$usage")
    # A command heads a paragraph of its own.
    while IFS= read -r command; do
        grep -qE -- "^ ?$command( |\$)" <<<"$text" || problem "$program.1 does not describe $command"
    done < <(commands_of <<<"$usage")
    known=$(options_of <<<"$usage")
    while IFS= read -r option; do
        [ -z "$option" ] && continue
        grep -qxF -- "$option" <<<"$known" ||
            problem "$program.1 names $option, which $program --help does not know"
    done < <(options_of <<<"$text")
done

if ((problems)); then
    echo "check-man-pages: $problems problems" >&2
    exit 1
fi
echo "manual pages checked: $pages pages; tagwright-cli and cardhost-sim usage covered"
