#!/bin/sh
# run_game.sh - plays the example game between game_server and game_client on one port.
# Usage: run_game.sh SERVER CLIENT PORT      (exit status 0 when both ended well)
set -u
"$1" "$3" 30 &
server=$!
"$2" 127.0.0.1 "$3" 30
client=$?
wait "$server"
server_status=$?
echo "client exit $client, server exit $server_status"
[ "$client" = 0 ] && [ "$server_status" = 0 ]
