#!/bin/bash
# com_ports.sh - a null-modem cable for the Wine prefix: two COM ports joined by a pseudo-terminal pair, one port with no device.
#
# Usage: com_ports.sh setup   DIR PREFIX PORT_A PORT_B ABSENT_PORT
#        com_ports.sh cleanup DIR PREFIX PORT_A PORT_B ABSENT_PORT
#
# setup starts socat with the pair's links in DIR and points the prefix's
# dosdevices entries for COM<PORT_A> and COM<PORT_B> at them.  COM<ABSENT_PORT>
# is pointed at a Unix socket file: opening it fails with "no such device",
# as a port without hardware does.  (With no entry at all, Wine would open the
# bare port device it keeps for every reserved COM name.)  cleanup stops socat
# by its PID and removes everything setup made.
set -eu
action=$1 dir=$2 prefix=$3
ports=("$4" "$5")
absent=$6
dosdevices=$prefix/dosdevices
pidfile=$dir/socat.pid

stop_socat() {
    [ -f "$pidfile" ] || return 0
    pid=$(cat "$pidfile")
    # Only our own socat: the PID file may be stale after a crash.
    if [ -n "$pid" ] && grep -qs socat "/proc/$pid/comm"; then
        kill "$pid" 2>/dev/null || true
        # Until it is gone or only waits to be reaped by whoever adopted it.
        for _ in $(seq 100); do
            state=$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$pid/status" 2>/dev/null || true)
            [ -z "$state" ] || [ "$state" = Z ] && break
            sleep 0.05
        done
    fi
    rm -f "$pidfile"
}

remove_links() {
    for n in "${ports[@]}" "$absent"; do rm -f "$dosdevices/com$n"; done
    rm -f "$dir/cable-a" "$dir/cable-b" "$dir/no-device"
}

case "$action" in
setup)
    [ -d "$dosdevices" ] || { echo "no Wine prefix at $prefix" >&2; exit 1; }
    mkdir -p "$dir"
    stop_socat
    remove_links
    # Every stream away from CTest's pipe, so the test ends when this script does.
    socat -d -d "pty,raw,echo=0,link=$dir/cable-a" "pty,raw,echo=0,link=$dir/cable-b" \
        </dev/null >"$dir/socat.log" 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 200); do
        [ -L "$dir/cable-a" ] && [ -L "$dir/cable-b" ] && break
        sleep 0.05
    done
    for end in cable-a cable-b; do
        target=$(readlink -f "$dir/$end" || true)
        case "$target" in
        /dev/pts/*) ;;
        *) echo "socat made no pseudo-terminal for $end (see $dir/socat.log)" >&2; stop_socat; exit 1 ;;
        esac
    done
    python=/usr/bin/python3
    [ -x "$python" ] || python=python3
    "$python" -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$dir/no-device"
    # Wine follows a link to socat's link, so the entries need not be resolved.
    ln -s "$dir/cable-a" "$dosdevices/com${ports[0]}"
    ln -s "$dir/cable-b" "$dosdevices/com${ports[1]}"
    ln -s "$dir/no-device" "$dosdevices/com$absent"
    echo "COM${ports[0]} -> $(readlink -f "$dir/cable-a"), COM${ports[1]} -> $(readlink -f "$dir/cable-b")"
    ;;
cleanup)
    stop_socat
    remove_links
    ;;
*)
    echo "usage: $0 setup|cleanup DIR PREFIX PORT_A PORT_B ABSENT_PORT" >&2
    exit 2
    ;;
esac
