#!/bin/sh
# check_deb.sh - builds the Debian package of a build tree and checks its name, fields and file list.
# Usage: check_deb.sh BUILD_DIR WORK_DIR VERSION with-kvnlink|without-kvnlink
set -eu
build=$1
work=$2
version=$3
tool=$4
major=${version%%.*}

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(find "$work" -maxdepth 1 -name "kvn_${version}_*.deb" -print -quit)
[ -n "$deb" ] || { ls "$work"; fail "no kvn_${version}_<arch>.deb"; }

[ "$(dpkg-deb -f "$deb" Package)" = kvn ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "no libc6 dependency worked out"

# The shlibs file lets packages built against libkvn depend on it.
dpkg-deb -e "$deb" "$work/control"
grep -q "^libkvn $major kvn (= $version)" "$work/control/shlibs" || { cat "$work/control/shlibs"; fail "shlibs entry"; }

# Regular files, and links with their targets; directories left out.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { name = $6; if ($1 ~ /^l/) name = name " -> " $8; print name }' \
    | sed 's|^\./||' | sed -E 's|kvnTargets-[a-z]+\.cmake|kvnTargets-CONFIG.cmake|' | sort >"$work/actual.txt"

lib=$(grep -E '/libkvn\.so\.[0-9.]+$' "$work/actual.txt" | head -n 1)
libdir=$(dirname "${lib:-usr/lib/none}")
{
    echo "usr/include/kvn.h"
    echo "$libdir/libkvn.so -> libkvn.so.$major"
    echo "$libdir/libkvn.so.$major -> libkvn.so.$version"
    echo "$libdir/libkvn.so.$version"
    for f in kvnConfig.cmake kvnConfigVersion.cmake kvnTargets.cmake kvnTargets-CONFIG.cmake; do
        echo "$libdir/cmake/kvn/$f"
    done
    echo "$libdir/pkgconfig/kvn.pc"
    for f in README.md CHANGELOG.md api.md protocol.md examples/c/send_move.c examples/python/send_move.py; do
        echo "usr/share/doc/kvn/$f"
    done
    [ "$tool" = with-kvnlink ] && echo "usr/bin/kvnlink"
} | sort >"$work/expected.txt"

if ! diff -u "$work/expected.txt" "$work/actual.txt"; then
    fail "the package holds other files than expected"
fi
echo "package ok: $(basename "$deb")"
