#!/bin/sh
# check_zip_script.sh - runs tools/make-windows-zip.sh on two stand-in Windows build trees
# (placeholder files, no Windows build needed) and checks the ZIP it makes.
# Usage: check_zip_script.sh SOURCE_DIR WORK_DIR VERSION
set -eu
src=$1
work=$2
version=$3

rm -rf "$work"
mkdir -p "$work/win64/src" "$work/win32/src" "$work/out"
echo "CMAKE_PROJECT_VERSION:STATIC=$version" >"$work/win64/CMakeCache.txt"
echo "CMAKE_PROJECT_VERSION:STATIC=$version" >"$work/win32/CMakeCache.txt"
for tree in win64 win32; do
    base=kvn64
    [ "$tree" = win32 ] && base=kvn
    echo placeholder >"$work/$tree/src/$base.dll"
    echo placeholder >"$work/$tree/src/lib$base.dll.a"
    {
        echo "LIBRARY $base.dll"
        echo "EXPORTS"
        n=1
        for f in kvn_disconnect kvn_nulmodem_connect kvn_receive_message kvn_send_message \
                 kvn_socket_connect kvn_socket_connect6 kvn_socket_connect6_ex kvn_socket_connect_ex; do
            echo "    $f @$n"
            n=$((n + 1))
        done
    } >"$work/$tree/src/$base.def"
done
echo placeholder >"$work/win64/kvnlink.exe"
# The 64-bit MSVC import library is present; the 32-bit one is made by the
# script from the .def when the MinGW tools are installed.
echo placeholder >"$work/win64/src/kvn64.lib"
made_lib=yes
if ! command -v i686-w64-mingw32-dlltool >/dev/null && ! command -v x86_64-w64-mingw32-dlltool >/dev/null; then
    echo placeholder >"$work/win32/src/kvn.lib"
    made_lib=no
fi

zip=$("$src/tools/make-windows-zip.sh" "$work/win64" "$work/win32" "$work/out")
[ "$zip" = "$work/out/kvn-$version-windows.zip" ] || { echo "FAIL: zip at $zip" >&2; exit 1; }
"$src/tests/package/check_windows_zip.sh" --layout-only "$zip" "$version"

[ "$made_lib" = yes ] || { echo "zip script ok (no dlltool here: x86/kvn.lib not made)"; exit 0; }
# The made import library names the 32-bit DLL.
/usr/bin/python3 -m zipfile -e "$zip" "$work/unpacked"
grep -q "kvn.dll" "$work/unpacked/kvn-$version-windows/x86/kvn.lib" || { echo "FAIL: x86/kvn.lib does not import kvn.dll" >&2; exit 1; }
grep -q "kvn_send_message" "$work/unpacked/kvn-$version-windows/x86/kvn.lib" || { echo "FAIL: x86/kvn.lib lacks the exports" >&2; exit 1; }
echo "zip script ok"
