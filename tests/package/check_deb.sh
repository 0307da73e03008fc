#!/bin/sh
# check_deb.sh - builds the Debian packages of a build tree and checks their names, fields and files,
# and runs lintian on them when it is installed.
# Usage: check_deb.sh BUILD_DIR WORK_DIR VERSION with-kvnlink|without-kvnlink
set -eu
build=$1
work=$2
version=$3
tool=$4
major=${version%%.*}
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
libdir=usr/lib/$multiarch

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }

# files PACKAGE: regular files, and links with their targets; directories left out.
files() {
    dpkg-deb -c "$1" | awk '$1 !~ /^d/ { name = $6; if ($1 ~ /^l/) name = name " -> " $8; print name }' \
        | sed 's|^\./||' | sed -E 's|kvnTargets-[a-z]+\.cmake|kvnTargets-CONFIG.cmake|' | sort
}
# check NAME ARCH: the package exists with its name, version and architecture; prints its path.
check() {
    deb=$work/${1}_${version}_$2.deb
    [ -f "$deb" ] || { ls "$work" >&2; fail "no $(basename "$deb")"; }
    [ "$(dpkg-deb -f "$deb" Package)" = "$1" ] || fail "$1: package name"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$1: version"
    echo "$deb"
}
docs() { echo "usr/share/doc/$1/changelog.gz"; echo "usr/share/doc/$1/copyright"; }

runtime=$(check "libkvn$major" "$arch")
dpkg-deb -f "$runtime" Depends | grep -q libc6 || fail "libkvn$major: no libc6 dependency worked out"
# The shlibs file lets packages built against libkvn depend on it.
dpkg-deb -e "$runtime" "$work/control"
grep -q "^libkvn $major libkvn$major (= $version)" "$work/control/shlibs" || { cat "$work/control/shlibs"; fail "shlibs entry"; }
grep -q "ldconfig" "$work/control/triggers" || fail "no ldconfig trigger"
{
    echo "$libdir/libkvn.so.$major -> libkvn.so.$version"
    echo "$libdir/libkvn.so.$version"
    docs "libkvn$major"
} | sort >"$work/expected-runtime.txt"
files "$runtime" | diff -u "$work/expected-runtime.txt" - || fail "libkvn$major holds other files than expected"

dev=$(check libkvn-dev "$arch")
dpkg-deb -f "$dev" Depends | grep -q "libkvn$major (= $version)" || fail "libkvn-dev does not depend on libkvn$major"
files "$dev" >"$work/dev.txt"
for f in usr/include/kvn.h "$libdir/libkvn.so -> libkvn.so.$major" "$libdir/libkvn.a" "$libdir/pkgconfig/kvn.pc" \
         "$libdir/cmake/kvn/kvnConfig.cmake" "$libdir/cmake/kvn/kvnTargets-CONFIG.cmake" \
         usr/share/doc/libkvn-dev/README.md usr/share/doc/libkvn-dev/docs/api.md \
         "usr/share/doc/libkvn-dev/include/kvn.h -> ../../../../include/kvn.h" $(docs libkvn-dev); do
    grep -qxF "$f" "$work/dev.txt" || fail "libkvn-dev lacks $f"
done
# The manual's relative links resolve where it is installed.
dpkg-deb -x "$dev" "$work/root"
for md in $(find "$work/root/usr/share/doc/libkvn-dev" -name '*.md'); do
    for link in $(grep -oE '\]\([^)#:]+' "$md" | sed 's/^](//'); do
        target=$(dirname "$md")/$link
        [ -e "$target" ] || fail "${md#"$work/root/"} links to $link, which is not installed"
    done
done

if [ "$tool" = with-kvnlink ]; then
    kvnlink=$(check kvnlink "$arch")
    { echo usr/bin/kvnlink; echo usr/share/man/man1/kvnlink.1.gz; docs kvnlink; } | sort >"$work/expected-tool.txt"
    files "$kvnlink" | diff -u "$work/expected-tool.txt" - || fail "kvnlink holds other files than expected"
fi
python=$(find "$work" -maxdepth 1 -name "python3-kvn_${version}_all.deb" -print -quit)
if [ -n "$python" ]; then
    files "$python" | grep -q '^usr/lib/python3/dist-packages/kvn/__init__.py$' || fail "python3-kvn lacks the package"
fi

if command -v lintian >/dev/null; then
    lintian --tag-display-limit 0 "$work"/*.deb >"$work/lintian.txt" 2>&1 || true
    if grep -q '^E:' "$work/lintian.txt"; then cat "$work/lintian.txt"; fail "lintian reports errors"; fi
    echo "lintian: no errors ($(grep -c '^W:' "$work/lintian.txt") warnings)"
else
    echo "lintian is not installed: its check is skipped"
fi
echo "packages ok: $(cd "$work" && ls ./*.deb | tr '\n' ' ')"
