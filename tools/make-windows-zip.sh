#!/bin/sh
# make-windows-zip.sh - collects the Windows DLLs, import libraries, .def files, header,
# kvnlink.exe and a README from the two Windows build trees into kvn-<version>-windows.zip.
#
# Usage: tools/make-windows-zip.sh [WIN64_TREE [WIN32_TREE [OUT_DIR [VERSION]]]]
#        (defaults: build/win64 build/win32 build, and the win64 tree's version)
# The win64 tree's windows-zip target (`make package-windows`) runs it with
# every argument, then checks the ZIP.
#
# Layout of the ZIP (one top folder, so that unpacking never scatters files):
#   kvn-<version>-windows/README.txt
#   kvn-<version>-windows/include/kvn.h
#   kvn-<version>-windows/x64/{kvn64.dll, kvn64.def, kvn64.lib, libkvn64.dll.a, kvnlink.exe}
#   kvn-<version>-windows/x86/{kvn.dll, kvn.def, kvn.lib, libkvn.dll.a}
# kvn64.lib and kvn.lib are the import libraries for MSVC, libkvn64.dll.a and
# libkvn.dll.a those for MinGW.  A file is looked for by name anywhere in its
# tree (and the .def files in the source tree as well); when an MSVC .lib is
# missing it is made from the .def with the MinGW dlltool, which writes a
# format MSVC's linker reads.  The version is the project() line's of the
# top-level CMakeLists.txt: given by CMake, or else read from the win64 tree's cache.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
win64=${1:-$root/build/win64}
win32=${2:-$root/build/win32}
out=${3:-$root/build}
version=${4:-}

fail() { echo "make-windows-zip: $*" >&2; exit 1; }
[ -d "$win64" ] || fail "no 64-bit build tree at $win64"
[ -d "$win32" ] || fail "no 32-bit build tree at $win32"

[ -n "$version" ] || version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$win64/CMakeCache.txt" 2>/dev/null | head -n 1)
[ -n "$version" ] || fail "no CMAKE_PROJECT_VERSION in $win64/CMakeCache.txt"

# find_file NAME DIR...: the first file of that name in the given trees.
find_file() {
    name=$1
    shift
    for dir in "$@"; do
        hit=$(find "$dir" -name "$name" -type f -not -path '*/_CPack_Packages/*' -print 2>/dev/null | head -n 1)
        [ -n "$hit" ] && { echo "$hit"; return 0; }
    done
    return 1
}

top=kvn-$version-windows
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$top/include" "$stage/$top/x64" "$stage/$top/x86"
cp "$root/include/kvn.h" "$stage/$top/include/"

# collect TREE DESTDIR DLLNAME MACHINE(i386:x86-64|i386)
collect() {
    tree=$1 dest=$2 base=$3 machine=$4
    dll=$(find_file "$base.dll" "$tree") || fail "$base.dll not found in $tree"
    def=$(find_file "$base.def" "$tree" "$root/src") || fail "$base.def not found in $tree or src/"
    mingw=$(find_file "lib$base.dll.a" "$tree") || fail "lib$base.dll.a not found in $tree"
    cp "$dll" "$def" "$mingw" "$dest/"
    if msvc=$(find_file "$base.lib" "$tree"); then
        cp "$msvc" "$dest/"
    else
        tool=x86_64-w64-mingw32-dlltool
        [ "$machine" = i386 ] && tool=i686-w64-mingw32-dlltool
        command -v "$tool" >/dev/null || tool=x86_64-w64-mingw32-dlltool
        command -v "$tool" >/dev/null || fail "no $base.lib in $tree and no dlltool to make it"
        # A .def that lists 32-bit __stdcall names as name@N lets MSVC callers link
        # against the decorated names while the DLL exports the bare ones.
        kill_at=
        grep -Eq '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*@[0-9]+' "$def" && kill_at=--kill-at
        "$tool" -m "$machine" $kill_at -d "$def" -D "$base.dll" -l "$dest/$base.lib" || fail "dlltool could not make $base.lib"
    fi
}
collect "$win64" "$stage/$top/x64" kvn64 i386:x86-64
collect "$win32" "$stage/$top/x86" kvn i386
tool=$(find_file kvnlink.exe "$win64") || fail "kvnlink.exe not found in $win64"
cp "$tool" "$stage/$top/x64/"

cat >"$stage/$top/README.txt" <<README
kvn $version for Windows - draughts game messages over TCP or a null-modem cable

x64\\kvn64.dll   the library for 64-bit hosts    x86\\kvn.dll   the same for 32-bit hosts
include\\kvn.h   the header, and the manual: functions, result codes, the notification
*.lib           import libraries for Microsoft Visual C++ (link kvn64.lib or kvn.lib)
lib*.dll.a      import libraries for MinGW (-lkvn64 or -lkvn)
*.def           the export list with the ordinals 1 to 8, for other tool chains
x64\\kvnlink.exe a command-line peer for trying a link by hand (kvnlink --help)

Put the DLL next to your program.  Open a link with kvn_socket_connect (or
kvn_nulmodem_connect), send kvn_message records with kvn_send_message, answer
every posted window message with kvn_receive_message, and end with
kvn_disconnect.  The window message you choose arrives with wParam = the type
code (1..7, or 100 when a TCP link is lost) and lParam = the slot.
README
# Windows readers expect CR LF in a .txt file.
sed 's/$/\r/' "$stage/$top/README.txt" >"$stage/README.crlf" && mv "$stage/README.crlf" "$stage/$top/README.txt"

mkdir -p "$out"
zip_path=$(cd "$out" && pwd)/$top.zip
rm -f "$zip_path"
(cd "$stage" && /usr/bin/python3 -m zipfile -c "$zip_path" "$top")
echo "$zip_path"
