"""Finds the kvn shared library, loads it once per process and declares its eight functions."""
from __future__ import annotations

import ctypes
import ctypes.util
import os
import struct
import sys
import threading
from pathlib import Path
from typing import List, Optional

from .errors import LibraryNotFound
from .record import MessageRecord

ENVIRONMENT_VARIABLE = "KVN_LIBRARY"
IS_WINDOWS = sys.platform == "win32"

if IS_WINDOWS:
    _FILE_NAMES = ["kvn64.dll"] if struct.calcsize("P") == 8 else ["kvn.dll"]
    _LINKER_NAMES = [name[:-4] for name in _FILE_NAMES]
elif sys.platform == "darwin":
    _FILE_NAMES, _LINKER_NAMES = ["libkvn.1.dylib", "libkvn.dylib"], ["kvn"]
else:
    _FILE_NAMES, _LINKER_NAMES = ["libkvn.so.1", "libkvn.so"], ["kvn"]


class Window(ctypes.Structure):
    """kvn_window on systems other than Windows: a post callback and the host's context."""


POST = ctypes.CFUNCTYPE(None, ctypes.POINTER(Window), ctypes.c_uint32, ctypes.c_size_t, ctypes.c_ssize_t)
Window._fields_ = [("post", POST), ("context", ctypes.c_void_p)]

# Windows takes an HWND where other systems take a kvn_window pointer.
WINDOW_HANDLE = ctypes.c_void_p if IS_WINDOWS else ctypes.POINTER(Window)

_lock = threading.Lock()
_library: Optional[ctypes.CDLL] = None


def candidates() -> List[str]:
    """Where the library is looked for, in order (the environment variable alone if it is set)."""
    chosen = os.environ.get(ENVIRONMENT_VARIABLE)
    if chosen:
        return [chosen]
    here = Path(__file__).resolve().parent
    found = [str(here / name) for name in _FILE_NAMES if (here / name).exists()]
    for name in _LINKER_NAMES:
        path = ctypes.util.find_library(name)
        if path:
            found.append(path)
    return found


def _declare(lib: ctypes.CDLL) -> ctypes.CDLL:
    i32, u32, text = ctypes.c_int32, ctypes.c_uint32, ctypes.c_char_p
    record = ctypes.POINTER(MessageRecord)
    signatures = {
        "kvn_disconnect": (None, [i32]),
        "kvn_nulmodem_connect": (i32, [i32, i32, WINDOW_HANDLE, u32]),
        "kvn_receive_message": (None, [i32, record]),
        "kvn_send_message": (None, [i32, record]),
        "kvn_socket_connect_ex": (i32, [i32, text, WINDOW_HANDLE, u32, i32]),
        "kvn_socket_connect6_ex": (i32, [i32, text, WINDOW_HANDLE, u32, i32]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(lib, name)
        function.restype, function.argtypes = result, arguments
    return lib


def load_library() -> ctypes.CDLL:
    """The loaded library: from $KVN_LIBRARY, else beside this package, else where
    the system's linker finds it.  Raises LibraryNotFound."""
    global _library
    with _lock:
        if _library is None:
            tried = candidates()
            errors = []
            loader = ctypes.WinDLL if IS_WINDOWS else ctypes.CDLL  # type: ignore[attr-defined]
            for path in tried:
                try:
                    _library = _declare(loader(path))
                    break
                except (OSError, AttributeError) as error:
                    errors.append(f"{path}: {error}")
            else:
                where = "; ".join(errors) if errors else (
                    f"${ENVIRONMENT_VARIABLE} is not set, none of {', '.join(_FILE_NAMES)} lies beside "
                    f"the package and the system's linker knows no {' or '.join(_LINKER_NAMES)}")
                raise LibraryNotFound(f"cannot load the kvn library: {where}")
        return _library
