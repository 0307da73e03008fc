#!/bin/sh
# check_exports.sh - the shared library exports exactly the eight kvn_ functions.
set -eu
lib=$1
expected="kvn_disconnect kvn_nulmodem_connect kvn_receive_message kvn_send_message kvn_socket_connect kvn_socket_connect6 kvn_socket_connect6_ex kvn_socket_connect_ex"
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWwVvDdBbRr]$/ {print $3}' | sed 's/@.*//' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
    echo "exported: $actual"
    echo "expected: $expected"
    exit 1
fi
echo "exports ok: $actual"
