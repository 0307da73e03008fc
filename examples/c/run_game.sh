#!/bin/sh
# run_game.sh - plays the example game between game_server and a client on one port.
# Usage: run_game.sh PORT SERVER CLIENT [ARGS...]   (the client gets ARGS, then 127.0.0.1 PORT 30)
# Exit status 0 when both ended well.
set -u
port=$1 server=$2
shift 2
"$server" "$port" 30 &
server_pid=$!
"$@" 127.0.0.1 "$port" 30
client=$?
wait "$server_pid"
server_status=$?
echo "client exit $client, server exit $server_status"
[ "$client" = 0 ] && [ "$server_status" = 0 ]
