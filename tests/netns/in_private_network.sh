#!/bin/sh
# in_private_network.sh PROGRAM - runs PROGRAM in a network namespace of its own
# with only a loopback, which the program may take down.  Exit 77 (a skip)
# where no namespace can be made here.
if ! command -v unshare >/dev/null 2>&1 || ! command -v ip >/dev/null 2>&1; then
    echo "SKIPPED: unshare (util-linux) or ip (iproute2) is missing"
    exit 77
fi
if ! unshare -rn true 2>/dev/null; then
    echo "SKIPPED: this system does not let us make a private network namespace (unshare -rn)"
    exit 77
fi
exec unshare -rn sh -c 'ip link set lo up && exec "$0"' "$1"
