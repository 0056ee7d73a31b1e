#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command beside a private pcscd with vpcd's two virtual readers ("Virtual PCD 00 00" on
# TCP port 35963, "Virtual PCD 00 01" on 35964), in a mount and network namespace of its own: the
# daemon never meets the system's, and several runs at once never share a socket or a port.
#
#   run-in-private-pcscd.sh COMMAND [ARGS...]
#       The command sees TW_PCSCD_DIR (the daemon's work folder, with pcscd.log) and
#       TW_PCSCD_CONTROL (this script) in its environment, and runs at most TW_PCSCD_TIMEOUT
#       seconds (default 110). Exits with the command's status.
#   run-in-private-pcscd.sh --control ACTION      (from inside the command)
#       stop | start | restart              the daemon, with both virtual readers
#       drop-readers | restore-readers      restart it without / with them again: the readers
#                                           disappear and come back (pcscd keeps the readers of
#                                           its configuration while it runs; a rescan only adds)
#
# Where it cannot run (not root, unshare, ip, pcscd or vpcd missing, namespaces refused) it says
# why and exits 77, which ctest reports as skipped.
set -euo pipefail

readonly skip_status=77
readonly ready_seconds=10
readonly stop_seconds=5
readonly system_vpcd_conf=/etc/reader.conf.d/vpcd
readonly socket=/run/pcscd/pcscd.comm

skip() {
    echo "SKIPPED: $*" >&2
    exit "$skip_status"
}

vpcd_driver() {
    local driver=""
    if [ -r "$system_vpcd_conf" ]; then
        driver=$(awk '$1 == "LIBPATH" { print $2 }' "$system_vpcd_conf")
    fi
    echo "${driver:-/usr/lib/pcsc/drivers/serial/libifdvpcd.so}"
}

# --- the daemon ------------------------------------------------------------------------------

pcscd_gone() {
    local pid=$1
    # A daemon killed by someone other than its parent may linger as a zombie: it is gone too.
    ! kill -0 "$pid" 2>/dev/null || grep -q '^[0-9]* ([^)]*) Z' "/proc/$pid/stat" 2>/dev/null
}

stop_pcscd() {
    local pid_file="$TW_PCSCD_DIR/pcscd.pid"
    [ -s "$pid_file" ] || return 0
    local pid
    pid=$(cat "$pid_file")
    kill -TERM "$pid" 2>/dev/null || true
    local waited=0
    while ! pcscd_gone "$pid" && ((waited < stop_seconds * 10)); do
        sleep 0.1
        waited=$((waited + 1))
    done
    if ! pcscd_gone "$pid"; then
        echo "pcscd $pid did not stop within ${stop_seconds}s: killed" >&2
        kill -KILL "$pid" 2>/dev/null || true
        sleep 0.2
    fi
    rm -f "$pid_file" /run/pcscd/pcscd.comm /run/pcscd/pcscd.pid
}

start_pcscd() {
    local conf_dir=$1
    local debug=()
    [ "${TW_PCSCD_DEBUG:-0}" = 1 ] && debug=(--debug --apdu)
    echo "--- pcscd -c $conf_dir" >>"$TW_PCSCD_DIR/pcscd.log"
    pcscd --foreground --config "$conf_dir" "${debug[@]}" </dev/null >>"$TW_PCSCD_DIR/pcscd.log" 2>&1 &
    local pid=$!
    echo "$pid" >"$TW_PCSCD_DIR/pcscd.pid"
    local waited=0
    # The daemon opens its socket after it has loaded the readers of its configuration.
    until [ -S "$socket" ]; do
        if pcscd_gone "$pid" || ((waited >= ready_seconds * 10)); then
            echo "pcscd did not come up within ${ready_seconds}s; its log:" >&2
            tail -n 30 "$TW_PCSCD_DIR/pcscd.log" >&2
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
}

control() {
    [ -n "${TW_PCSCD_DIR:-}" ] || { echo "--control works only inside a run" >&2; exit 2; }
    case "$1" in
        stop) stop_pcscd ;;
        start) start_pcscd "$TW_PCSCD_DIR/readers" ;;
        restart | restore-readers) stop_pcscd && start_pcscd "$TW_PCSCD_DIR/readers" ;;
        drop-readers) stop_pcscd && start_pcscd "$TW_PCSCD_DIR/no-readers" ;;
        *) echo "unknown action: $1" >&2; exit 2 ;;
    esac
}

# --- inside the namespaces -------------------------------------------------------------------

run_inside() {
    mount -t tmpfs -o mode=0755 tmpfs /run/pcscd || skip "cannot mount a tmpfs on /run/pcscd"
    ip link set lo up || skip "cannot bring up the loopback interface of the private network"
    TW_PCSCD_DIR=$(mktemp -d /tmp/tw-pcscd.XXXXXX)
    export TW_PCSCD_DIR
    export TW_PCSCD_CONTROL="$script"
    trap 'stop_pcscd; [ "${TW_PCSCD_KEEP:-0}" = 1 ] || rm -rf "$TW_PCSCD_DIR"' EXIT
    mkdir "$TW_PCSCD_DIR/readers" "$TW_PCSCD_DIR/no-readers"
    cat >"$TW_PCSCD_DIR/readers/vpcd" <<CONF
FRIENDLYNAME "Virtual PCD"
DEVICENAME   /dev/null:0x8C7B
LIBPATH      $(vpcd_driver)
CHANNELID    0x8C7B
CONF
    start_pcscd "$TW_PCSCD_DIR/readers"
    local status=0
    timeout --kill-after=5 "${TW_PCSCD_TIMEOUT:-110}" "$@" || status=$?
    if ((status != 0)); then
        echo "(exit status $status; pcscd's log follows)" >&2
        tail -n 40 "$TW_PCSCD_DIR/pcscd.log" >&2
    fi
    return "$status"
}

# --- outside: can it run at all? --------------------------------------------------------------

script=$(readlink -f "$0")

if [ "${1:-}" = --control ]; then
    control "${2:-}"
    exit
fi
(($# > 0)) || { echo "usage: $0 COMMAND [ARGS...] | --control ACTION" >&2; exit 2; }

if [ "${TW_PCSCD_INSIDE:-0}" = 1 ]; then
    unset TW_PCSCD_INSIDE
    run_inside "$@"
    exit
fi

[ "$(id -u)" = 0 ] ||
    skip "a private pcscd needs root (unshare --mount --net and a tmpfs on /run/pcscd); CI runs as root"
for tool in unshare ip pcscd timeout; do
    command -v "$tool" >/dev/null || skip "'$tool' is not installed (scripts/setup.sh installs it)"
done
[ -r "$(vpcd_driver)" ] ||
    skip "vpcd's driver $(vpcd_driver) is missing (Debian package vsmartcard-vpcd)"
if ! problem=$(unshare --mount --net true 2>&1); then
    skip "unshare --mount --net refused here: $problem"
fi
# The mount point of the private tmpfs; pcscd's package normally has it made at boot.
mkdir -p /run/pcscd
export TW_PCSCD_INSIDE=1
exec unshare --mount --net --propagation private "$script" "$@"
