#!/bin/sh
# check_import_library.sh - the MinGW import library offers every export of the .def, with the
# calling convention's decoration (__stdcall @n on 32-bit), and imports it from the right DLL.
# Usage: check_import_library.sh NM IMPORT_LIBRARY DEF_FILE DLL_NAME
# Runs without Wine, so the 32-bit tree checks its import library even where it cannot run programs.
set -eu
nm=$1 implib=$2 def=$3 dll=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
symbols=$("$nm" "$implib")
names=$(sed -n 's/^[[:space:]]*\(kvn_[a-z0-9_]*\(@[0-9]*\)\{0,1\}\)[[:space:]].*/\1/p' "$def")
[ "$(echo "$names" | wc -l)" -eq 8 ] || fail "expected 8 exports in $def, found: $names"
for name in $names; do
    # 32-bit symbols carry a leading underscore; 64-bit ones do not.
    echo "$symbols" | grep -Eq "__imp__?${name}\$" || fail "no import symbol for $name in $implib"
done
grep -aq "$dll" "$implib" || fail "$implib does not name $dll"
echo "import library: 8 exports, decorated as the .def says, from $dll"
