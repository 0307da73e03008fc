#!/bin/bash
# wine_run.sh - runs Windows test programs under Wine in a private prefix of the build tree.
#
# Usage: wine_run.sh PREFIX LOADER --setup      (create if needed and start the server)
#        wine_run.sh PREFIX LOADER --cleanup    (stop the prefix's server)
#        wine_run.sh PREFIX LOADER PROGRAM ARGS (run one program; starts the server if needed)
#
# The server and its helper processes are always started with every standard
# stream on /dev/null: started from a test instead, they would inherit CTest's
# output pipe and hold every test up until the server times out.
set -eu
prefix=$1
loader=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server=/usr/lib/wine/wineserver
[ -x "$server" ] || server=wineserver
# The 64-bit loader makes prefixes that run 64-bit and, when 32-bit Wine is
# installed, 32-bit programs alike.
creator=/usr/lib/wine/wine64
[ -x "$creator" ] || creator=$loader
linger=60 # seconds the server stays after its last program, in case cleanup never runs

# fd 9 is the preparation lock: no long-lived helper may inherit it.
quiet() { "$@" </dev/null >/dev/null 2>&1 9>&-; }

server_running() {
    [ -d "$prefix" ] || return 1
    id=$(printf 'server-%x-%x' $(stat -c '%d %i' "$prefix"))
    # The server's directory is /tmp/.wine-UID or, in some builds, /tmp/wine-XXXXXX.
    for dir in "${TMPDIR:-/tmp}/.wine-$(id -u)" /tmp/wine-*; do
        [ -S "$dir/$id/socket" ] && return 0
    done
    return 1
}

# New prefixes map COM1.. to the machine's real serial ports (here /dev/ttyS0
# is the console).  Reserving COM1..COM9 with empty entries keeps Wine from
# linking them; the real port then lands on a higher number, whose link goes
# too.  Tests may link a COM name to a pseudo-terminal while the server runs.
create_prefix() {
    rm -rf "$prefix"
    mkdir -p "$prefix"
    quiet "$creator" wineboot -i
    for n in 1 2 3 4 5 6 7 8 9; do
        quiet "$creator" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "" /f
    done
    quiet "$server" -k || true
    touch "$prefix/.kvn-ready"
}

start_server() {
    quiet "$server" "-p$linger" || true
    quiet "$loader" wineboot || true
    for link in "$prefix"/dosdevices/com*; do
        [ -L "$link" ] && rm -f "$link"
    done
    return 0
}

prepare() {
    mkdir -p "$(dirname "$prefix")"
    # Two programs may start at once (parallel build steps): one prepares.
    exec 9>"$prefix.lock"
    flock 9
    [ -f "$prefix/.kvn-ready" ] || create_prefix
    server_running || start_server
    exec 9>&-
}

# Very rarely the loader ends at once, before any Windows program could have
# started (none gets that far in under 0.15 s here) and without a word, its
# own messages being silenced above.  That is a start that never happened,
# not the program's failure, so it is started once more, and the script says
# so.  The loader runs in the foreground, where Ctrl-C reaches it as before.
run_program() {
    local attempt started status elapsed_ms
    for attempt in 1 2; do
        started=$(date +%s%N)
        status=0
        "$loader" "$@" || status=$?
        elapsed_ms=$((($(date +%s%N) - started) / 1000000))
        [ "$status" -eq 0 ] || [ "$elapsed_ms" -ge 100 ] || [ "$attempt" -eq 2 ] && return "$status"
        echo "wine_run.sh: the loader ended with status $status after $elapsed_ms ms, before the program could start; starting it once more" >&2
    done
}

case "${1-}" in
--setup)
    prepare
    ;;
--cleanup)
    [ -d "$prefix" ] && quiet "$server" -k || true
    ;;
*)
    prepare
    run_program "$@" || exit $?
    ;;
esac
