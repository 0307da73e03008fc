#!/bin/sh
# check_install.sh - installs the built tree into a scratch prefix and builds and runs
# a small outside program against it, once through find_package and once through pkg-config.
# Usage: check_install.sh BUILD_DIR WORK_DIR VERSION
set -eu
build=$1
work=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
major=${version%%.*}

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

fail() { echo "FAIL: $*" >&2; exit 1; }

# Files and the soname chain.
libdir=$(dirname "$(find "$prefix" -name "libkvn.so.$version" -print -quit)")
[ -n "$libdir" ] && [ -f "$libdir/libkvn.so.$version" ] || fail "libkvn.so.$version not installed"
[ "$(readlink "$libdir/libkvn.so.$major")" = "libkvn.so.$version" ] || fail "libkvn.so.$major does not point at libkvn.so.$version"
[ "$(readlink "$libdir/libkvn.so")" = "libkvn.so.$major" ] || fail "libkvn.so does not point at libkvn.so.$major"
readelf -d "$libdir/libkvn.so.$version" | grep -q "SONAME.*\[libkvn.so.$major\]" || fail "soname is not libkvn.so.$major"
[ -f "$prefix/include/kvn.h" ] || fail "kvn.h not in include/"
for f in kvnConfig.cmake kvnConfigVersion.cmake kvnTargets.cmake; do
    [ -f "$libdir/cmake/kvn/$f" ] || fail "$f missing"
done
[ -f "$libdir/pkgconfig/kvn.pc" ] || fail "kvn.pc missing"
if find "$prefix" -name 'libkvn_static*' | grep -q .; then fail "the test archive was installed"; fi
echo "installed files ok in $prefix"

# The CMake way.
cmake -S "$here/consumer" -B "$work/cmake-consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
      -DKVN_EXPECTED_VERSION="$version" >"$work/consumer-configure.log" || { cat "$work/consumer-configure.log"; fail "find_package(kvn) failed"; }
cmake --build "$work/cmake-consumer" >"$work/consumer-build.log" || { cat "$work/consumer-build.log"; fail "building against kvn::kvn failed"; }
"$work/cmake-consumer/consumer" 29301 || fail "the find_package program failed"

# A newer major version must not be accepted.
if cmake -S "$here/consumer" -B "$work/cmake-too-new" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
         -DKVN_EXPECTED_VERSION="$((major + 1)).0" >/dev/null 2>&1; then
    fail "find_package accepted version $((major + 1)).0"
fi

# The pkg-config way, as C and as C++.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
[ "$(pkg-config --modversion kvn)" = "$version" ] || fail "kvn.pc says version $(pkg-config --modversion kvn)"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror "$here/consumer/consumer.c" $(pkg-config --cflags --libs kvn) -o "$work/pc-consumer"
# shellcheck disable=SC2046
c++ -x c++ -Wall -Wextra -Werror "$here/consumer/consumer.c" $(pkg-config --cflags --libs kvn) -o "$work/pc-consumer-cxx"
LD_LIBRARY_PATH="$libdir" "$work/pc-consumer" 29321 || fail "the pkg-config C program failed"
LD_LIBRARY_PATH="$libdir" "$work/pc-consumer-cxx" 29341 || fail "the pkg-config C++ program failed"
echo "install check passed"
