#!/usr/bin/python3
"""check_dll.py - checks a built kvn DLL file: exports and ordinals, export name, version resource, imports.

Usage: check_dll.py DLL --library NAME.dll
Run it with Debian's /usr/bin/python3, which sees the python3-pefile package.
"""
import argparse
import sys

import pefile

EXPORTS = {
    1: "kvn_disconnect",
    2: "kvn_nulmodem_connect",
    3: "kvn_receive_message",
    4: "kvn_send_message",
    5: "kvn_socket_connect",
    6: "kvn_socket_connect6",
    7: "kvn_socket_connect6_ex",
    8: "kvn_socket_connect_ex",
}
# The file's fixed identity. Its version is KVN_DLL_FILE_VERSION of the top CMakeLists.txt and stays 1.35
# whatever the project version (the header, kvnlink and the packages carry that one).
FILE_VERSION = "1.35"
STRINGS = {
    "FileDescription": "Korvane DLL",
    "ProductName": "Korvane",
    "InternalName": "kvn.dll",
    "OriginalFilename": "kvn.dll",
    "FileVersion": FILE_VERSION,
    "ProductVersion": FILE_VERSION,
}
# What a host's Windows has anyway; a runtime DLL of the compiler would have to be shipped.
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "ws2_32.dll", "user32.dll", "advapi32.dll", "ntdll.dll"}


def version_strings(pe):
    found = {}
    for info in getattr(pe, "FileInfo", []) or []:
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                for key, value in table.entries.items():
                    found[key.decode()] = value.decode()
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dll")
    parser.add_argument("--library", required=True)
    args = parser.parse_args()
    major, minor = (int(part) for part in FILE_VERSION.split("."))

    pe = pefile.PE(args.dll)
    problems = []

    exports = pe.DIRECTORY_ENTRY_EXPORT
    actual = {symbol.ordinal: (symbol.name or b"").decode() for symbol in exports.symbols}
    if actual != EXPORTS:
        problems.append(f"exports {actual}, expected {EXPORTS}")
    name = pe.get_string_at_rva(exports.struct.Name).decode()
    if name != args.library:
        problems.append(f"export directory names {name!r}, expected {args.library!r}")

    strings = version_strings(pe)
    for key, value in STRINGS.items():
        if strings.get(key) != value:
            problems.append(f"version string {key} is {strings.get(key)!r}, expected {value!r}")
    fixed = pe.VS_FIXEDFILEINFO[0]
    for label, ms, ls in (("file", fixed.FileVersionMS, fixed.FileVersionLS),
                          ("product", fixed.ProductVersionMS, fixed.ProductVersionLS)):
        if (ms >> 16, ms & 0xFFFF, ls) != (major, minor, 0):
            problems.append(f"{label} version {ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}, expected {major}.{minor}.0.0")

    imports = sorted(entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT)
    foreign = [dll for dll in imports if dll not in SYSTEM_DLLS]
    if foreign:
        problems.append(f"imports non-system DLLs {foreign}")

    for problem in problems:
        print("FAILED:", problem)
    if problems:
        return 1
    print(f"{args.library} ok: {len(actual)} exports, version {major}.{minor}, imports {', '.join(imports)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
