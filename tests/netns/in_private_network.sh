#!/bin/sh
# in_private_network.sh start|result OUTPUT_DIR [PROGRAM] - runs PROGRAM in a network namespace
# of its own with only a loopback, which the program may take down.
#
# The program mostly waits (a minute for a dead peer to be given up), so the
# test suite starts it in the background first ("start", which returns at once)
# and collects its outcome last ("result", which waits for it): the other tests
# run meanwhile.  "result" exits with the program's status, or 77 (a skip)
# where no namespace can be made here.
set -u
mode=$1
out=$2
case $mode in
start)
    program=$3
    rm -rf "$out"
    mkdir -p "$out"
    if ! command -v unshare >/dev/null 2>&1 || ! command -v ip >/dev/null 2>&1; then
        echo "SKIPPED: unshare (util-linux) or ip (iproute2) is missing" >"$out/log"
        echo 77 >"$out/status"
    elif ! unshare -rn true 2>/dev/null; then
        echo "SKIPPED: this system does not let us make a private network namespace (unshare -rn)" >"$out/log"
        echo 77 >"$out/status"
    else
        # Detached from the test runner's output, so that it does not wait.
        (
            unshare -rn sh -c 'ip link set lo up && exec "$0"' "$program" >"$out/log" 2>&1 </dev/null
            echo $? >"$out/status.part" && mv "$out/status.part" "$out/status"
        ) >/dev/null 2>&1 </dev/null &
    fi
    echo "started in the background; its outcome is collected at the end of the run"
    ;;
result)
    waited=0
    while [ ! -f "$out/status" ] && [ $waited -lt 200 ]; do
        sleep 1
        waited=$((waited + 1))
    done
    cat "$out/log" 2>/dev/null
    [ -f "$out/status" ] || { echo "no outcome after 200 s"; exit 1; }
    exit "$(cat "$out/status")"
    ;;
*)
    echo "usage: $0 start|result OUTPUT_DIR [PROGRAM]" >&2
    exit 2
    ;;
esac
