#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian package into a fresh, minimal Debian 12 and uses it there as a user would:
# dpkg -i names only Debian packages as missing, apt installs them (Depends only, no
# Recommends: what the package itself asks for must be enough), then an ordinary user runs
# tagwright-cli against the simulator with no pcscd, opens the manual pages, finds the desktop
# entry and its icon, and starts the window on a virtual display.
# Not part of CI (a debootstrap takes minutes and needs the Debian mirror); run it before a release.
# Usage: sudo scripts/check-clean-install.sh [DEB]   (default: the one package in build/package)
# Needs root and debootstrap; MIRROR overrides http://deb.debian.org/debian.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "${1:-$(ls build/package/tagwright_*.deb)}")
mirror=${MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" = 0 ] || { echo "check-clean-install: needs root (debootstrap, chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "check-clean-install: apt-get install debootstrap" >&2; exit 2; }

root=$(mktemp -d /tmp/clean-bookworm.XXXXXX)
chmod 755 "$root"  # it becomes /, which every user must be able to enter
cleanup() {
    set +e
    # Whatever still runs inside (the killed window, Xvfb winding down) keeps /dev busy.
    for proc in /proc/[0-9]*; do
        [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] && kill "${proc#/proc/}" 2>/dev/null
    done
    for m in dev/pts dev proc; do
        mountpoint -q "$root/$m" || continue
        for _ in 1 2 3 4 5; do
            umount "$root/$m" 2>/dev/null && break
            sleep 1
        done
        # Detached at the latest now, so that the removal below cannot reach the host's /dev.
        mountpoint -q "$root/$m" && umount --lazy "$root/$m"
    done
    if grep -q " $root/" /proc/mounts; then
        echo "check-clean-install: $root still has mounts; left in place" >&2
    else
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT

step() { echo "== $*"; }
fail() {
    echo "check-clean-install: $*" >&2
    exit 1
}
# A clean environment inside: nothing of the caller's PATH, locale or display leaks in.
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }
as_user() { in_root /usr/sbin/runuser -u user -- /usr/bin/env -i PATH=/usr/bin:/bin HOME=/home/user "$@"; }
apt_install() { in_root DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"; }

step "debootstrap minbase bookworm into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 || {
    tail -n 20 "$root.log" >&2
    fail "debootstrap failed"
}
rm -f "$root.log"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp "$deb" "$root/tmp/"
pkg=/tmp/$(basename "$deb")

step "dpkg -i: what it misses must all be Debian packages"
in_root apt-get update -q >/dev/null
if in_root dpkg -i "$pkg" >"$root/tmp/dpkg.log" 2>&1; then
    fail "dpkg -i succeeded on a minimal system: the package declares no dependencies"
fi
missing=$(sed -n 's/^ *Package \([^ ]*\) is not installed\.$/\1/p' "$root/tmp/dpkg.log" | sort -u)
[ -n "$missing" ] || { cat "$root/tmp/dpkg.log" >&2; fail "dpkg -i failed for another reason"; }
for p in $missing; do  # word splitting: one package name a line
    in_root apt-cache show "$p" >/dev/null 2>&1 || fail "depends on $p, which Debian 12 does not have"
done
echo "missing, all in Debian 12: ${missing//$'\n'/ }"
step "apt-get install -f (Depends only)"
apt_install -f >"$root/tmp/apt.log" 2>&1 || { tail -n 20 "$root/tmp/apt.log" >&2; fail "apt could not complete the install"; }
# shellcheck disable=SC2016 # a dpkg-query format, not a shell expansion
in_root dpkg-query -W -f='${Status}\n' tagwright | grep -q 'install ok installed' || fail "tagwright not configured"

in_root useradd -m user
step "tagwright-cli as a user, no pcscd, CARDHOST_BACKENDS unset"
as_user tagwright-cli --version | grep -q '^tagwright-cli [0-9]' || fail "tagwright-cli --version"
as_user cardhost-sim --version | grep -q '^cardhost-sim [0-9]' || fail "cardhost-sim --version"
readers=$(as_user tagwright-cli readers) || fail "tagwright-cli readers failed: $readers"
grep -q '^SIM-0001$' <<<"$readers" || fail "tagwright-cli readers listed: $readers"
as_user tagwright-cli write text "clean install" | grep -q 'Write data succeed: clean install' ||
    fail "write on the simulator"
as_user tagwright-cli read text | grep -q '^text: clean install$' || fail "read on the simulator"

step "manual pages (man-db installed as a user would)"
apt_install man-db >/dev/null 2>&1 || fail "apt could not install man-db"
for page in tagwright tagwright-cli cardhost-sim; do
    as_user MANPAGER=cat man "$page" 2>/dev/null | grep -q '^NAME' || fail "man $page does not open"
done

step "desktop entry and icon"
desktop=$root/usr/share/applications/tagwright.desktop
[ -f "$desktop" ] || fail "no /usr/share/applications/tagwright.desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no 48x48 icon $icon"
as_user sh -c "command -v $exec_name" >/dev/null || fail "the desktop entry's Exec=$exec_name is not on PATH"

step "the window on a virtual display"
# fc-list: the Chinese texts need a font with Chinese glyphs, from the package's own Depends.
as_user fc-list :lang=zh family | grep -q . || fail "no font for Chinese installed"
apt_install xvfb xauth x11-utils >/dev/null 2>&1 || fail "apt could not install xvfb"
# shellcheck disable=SC2016 # expanded inside the chroot
as_user xvfb-run -a sh -c 'tagwright >/tmp/window.log 2>&1 & pid=$!
    for _ in $(seq 30); do
        xwininfo -root -tree | grep -q "\"Tagwright\": (\"tagwright\"" && break
        sleep 0.5
    done
    xwininfo -root -tree >/tmp/windows.txt
    kill $pid; wait $pid' || true
grep -q '"Tagwright": ("tagwright"' "$root/tmp/windows.txt" || {
    cat "$root/tmp/window.log" >&2
    fail "the window did not show"
}
if grep -Ei 'plugin|fontconfig|error' "$root/tmp/window.log" >&2; then
    fail "the window complained while starting"
fi
echo "clean install checked: $(basename "$deb") on Debian 12"
