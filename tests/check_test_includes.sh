#!/bin/sh
# check_test_includes.sh - the tests of the exported functions, and the support code they share,
# include no library header from src/ but the serial test seam: they use the library as a host does.
set -u
root=$1
status=0
for file in $(find "$root/tests/integration" "$root/tests/fault" "$root/tests/leak" "$root/tests/soak" \
                   "$root/tests/support" -type f \( -name '*.h' -o -name '*.cpp' \)) \
            "$root/tests/serial/pty_ports.h" "$root/tests/serial/pty_peer.h" "$root/tests/serial/serial_environment.cpp"; do
    for header in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]\([^">]*\)[">].*/\1/p' "$file"); do
        [ "$header" = serial/serial_test_seam.h ] && continue
        case $header in
        *src/*) ;;
        *) [ -f "$root/src/$header" ] || continue ;;
        esac
        echo "${file#"$root"/} includes $header from src/"
        status=1
    done
done
[ $status = 0 ] && echo "includes ok: no header from src/ but serial/serial_test_seam.h"
exit $status
