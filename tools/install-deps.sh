#!/bin/sh
# install-deps.sh - installs the Debian packages the build and tests need, if any are missing.
# Usage: tools/install-deps.sh [native|all]   (all: also the Windows cross tools and Wine)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
want=${1:-native}

packages=$(grep -v '^#' "$here/deps/native.txt")
if [ "$want" = all ]; then
    packages="$packages $(grep -v '^#' "$here/deps/windows.txt")"
fi

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" != 0 ]; then
    echo "missing Debian packages:$missing" >&2
    echo "install them with: sudo apt-get install$missing" >&2
    exit 1
fi
echo "installing:$missing"
export DEBIAN_FRONTEND=noninteractive
case "$missing" in
*:i386*) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null
