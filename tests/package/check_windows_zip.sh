#!/bin/sh
# check_windows_zip.sh - checks the file list of the Windows ZIP and, unless told
# --layout-only, that each DLL and its tool are PE files for the right machine
# exporting the eight functions.
# Usage: check_windows_zip.sh [--layout-only] ZIP VERSION
set -eu
layout_only=no
if [ "$1" = --layout-only ]; then layout_only=yes; shift; fi
zip=$1
version=$2
top=kvn-$version-windows

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$zip" ] || fail "no $zip"

/usr/bin/python3 - "$zip" <<'PY' | sort >"$zip.actual"
import sys, zipfile
for name in zipfile.ZipFile(sys.argv[1]).namelist():
    if not name.endswith("/"):
        print(name)
PY
for f in README.txt include/kvn.h \
         x64/kvn64.dll x64/kvn64.def x64/kvn64.lib x64/libkvn64.dll.a x64/kvnlink.exe \
         x86/kvn.dll x86/kvn.def x86/kvn.lib x86/libkvn.dll.a; do
    echo "$top/$f"
done | sort >"$zip.expected"
diff -u "$zip.expected" "$zip.actual" || fail "the ZIP holds other files than expected"
rm -f "$zip.expected" "$zip.actual"
[ "$layout_only" = yes ] && { echo "zip layout ok"; exit 0; }

/usr/bin/python3 - "$zip" "$top" <<'PY'
import io, sys, zipfile
import pefile
archive, top = zipfile.ZipFile(sys.argv[1]), sys.argv[2]
eight = sorted(["kvn_disconnect", "kvn_nulmodem_connect", "kvn_receive_message", "kvn_send_message",
                "kvn_socket_connect", "kvn_socket_connect6", "kvn_socket_connect6_ex", "kvn_socket_connect_ex"])
machines = {"x64": 0x8664, "x86": 0x14C}
for member, arch, dll_name in (("x64/kvn64.dll", "x64", "kvn64.dll"), ("x86/kvn.dll", "x86", "kvn.dll"),
                               ("x64/kvnlink.exe", "x64", None)):
    pe = pefile.PE(data=archive.read(f"{top}/{member}"))
    if pe.FILE_HEADER.Machine != machines[arch]:
        sys.exit(f"{member}: machine {pe.FILE_HEADER.Machine:#x}, not {arch}")
    if dll_name is None:
        continue
    exports = pe.DIRECTORY_ENTRY_EXPORT
    names = sorted(s.name.decode() for s in exports.symbols if s.name)
    if names != eight:
        sys.exit(f"{member} exports {names}")
    ordinals = {s.name.decode(): s.ordinal for s in exports.symbols if s.name}
    if [ordinals[n] for n in ["kvn_disconnect", "kvn_nulmodem_connect", "kvn_receive_message", "kvn_send_message",
                              "kvn_socket_connect", "kvn_socket_connect6", "kvn_socket_connect6_ex",
                              "kvn_socket_connect_ex"]] != list(range(1, 9)):
        sys.exit(f"{member}: ordinals {ordinals}")
print("zip contents ok")
PY
