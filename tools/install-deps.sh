#!/bin/sh
# install-deps.sh - installs the Debian packages the build and tests need, if any are missing.
#
# Usage: tools/install-deps.sh lib|native|windows|all
#   lib      cmake, ninja and a compiler: enough for libkvn.so and kvnlink
#   native   the native build, its tests and benchmarks
#   windows  native, plus the Windows cross tools and 64-bit Wine
#   all      windows, plus what only adds coverage (32-bit Wine), if it can be had
# KVN_DEPS_DONE=1 skips every check (the test runner has already made them).
#
# A needed package that cannot be installed stops with a message naming it.
# An optional one (tools/deps/*-optional.txt) that cannot be installed is
# reported once, loudly, and the run goes on: the tests that need it are
# skipped and counted as such.  A Debian mirror that is briefly out of step
# makes `apt-get update` fail for one architecture while everything needed
# still installs, so update errors are retried, then only warned about.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
want=${1:-native}
[ "${KVN_DEPS_DONE:-}" = 1 ] && exit 0

list() { grep -hv '^#' "$@" | tr -s ' \n' '  '; }
case "$want" in
lib) needed="cmake ninja-build g++ make libcli11-dev nlohmann-json3-dev"; optional="" ;;
native) needed=$(list "$here/deps/native.txt"); optional=$(list "$here/deps/native-optional.txt") ;;
windows)
    needed=$(list "$here/deps/native.txt" "$here/deps/windows.txt")
    optional=$(list "$here/deps/native-optional.txt")
    ;;
all)
    needed=$(list "$here/deps/native.txt" "$here/deps/windows.txt")
    optional=$(list "$here/deps/native-optional.txt" "$here/deps/windows-optional.txt")
    ;;
*) echo "usage: $0 lib|native|windows|all" >&2; exit 2 ;;
esac
# For trying the fallbacks by hand: packages to treat as impossible to install.
unavailable=${KVN_DEPS_UNAVAILABLE:-}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing_of() {
    out=""
    for p in $1; do installed "$p" || out="$out $p"; done
    echo "$out"
}
banner() {
    echo "==============================================================================" >&2
    for line in "$@"; do echo "$line" >&2; done
    echo "==============================================================================" >&2
}

missing_needed=$(missing_of "$needed")
missing_optional=$(missing_of "$optional")
[ -z "$missing_needed$missing_optional" ] && exit 0

if [ "$(id -u)" != 0 ]; then
    if [ -n "$missing_needed" ]; then
        echo "missing Debian packages:$missing_needed" >&2
        echo "install them with: sudo apt-get install$missing_needed" >&2
        exit 1
    fi
    banner "SKIPPING optional packages:$missing_optional (not root, so not installed)." \
           "The tests that need them will be skipped. To run them: sudo apt-get install$missing_optional"
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
case "$missing_optional" in
*:i386*) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac

# apt-get update: a few tries; a lasting error is a warning, since the
# packages needed may well install from what the indexes do hold.
tries=3
pause=${KVN_APT_RETRY_PAUSE:-15}
n=1
while ! apt-get update -qq; do
    if [ "$n" -ge "$tries" ]; then
        echo "install-deps: warning: apt-get update still reports errors after $tries tries; going on with the indexes it has" >&2
        break
    fi
    echo "install-deps: apt-get update failed (try $n of $tries); trying again in ${pause}s" >&2
    sleep "$pause"
    n=$((n + 1))
done

errors=${TMPDIR:-/tmp}/kvn-apt.err
# Installs the given packages; on failure names those that cannot be
# installed on their own.  Prints the names that could not be installed.
try_install() {
    : >"$errors"
    ok=""
    for p in $1; do
        case " $unavailable " in *" $p "*) echo "$p" ; continue ;; esac
        ok="$ok $p"
    done
    [ -z "$ok" ] && return 0
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $ok >/dev/null 2>>"$errors" && return 0
    for p in $ok; do
        installed "$p" && continue
        apt-get install -y -qq --no-install-recommends "$p" >/dev/null 2>>"$errors" || echo "$p"
    done
}

# install_group LABEL PACKAGES: installs them; prints the ones that could not
# be installed, after the tail of apt-get's complaint.
install_group() {
    [ -n "$2" ] || return 0
    echo "installing$1:$2" >&2
    failed=$(try_install "$2" | tr '\n' ' ' | sed 's/ $//')
    [ -z "$failed" ] || { tail -n 4 "$errors" >&2 || true; echo "$failed"; }
}

failed=$(install_group "" "$missing_needed")
if [ -n "$failed" ]; then
    banner "install-deps: cannot install needed package(s): $failed" \
           "The build and tests need them; nothing more can be done until apt-get can install them."
    exit 1
fi
failed=$(install_group " (optional)" "$missing_optional")
if [ -n "$failed" ]; then
    banner "SKIPPING: optional package(s) $failed could not be installed (the Debian mirror may be out of step)." \
           "The run goes on; the tests that need them are skipped and counted in the summary at the end."
fi
exit 0
