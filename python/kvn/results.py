"""Connect result codes and their texts, the same as kvn_connect_result_text in kvn.h.

The inline function cannot be called through ctypes, so its table is repeated
here; the test suite compares the two tables code by code.
"""
from __future__ import annotations

from enum import Enum

OK = 0
NO_PEER = -1
SOCKET_FAILED = -2
CONNECT_FAILED = -3
NONBLOCK_OR_BIND = -4
KEEPALIVE_OR_LISTEN = -5
ACCEPT_FAILED = -6
ACCEPT_KEEPALIVE = -7
UNUSABLE = -10
NO_THREAD = -11
BAD_SLOT = -100

class Role(str, Enum):
    """Which side a connect result came from; each compares equal to its text."""
    CLIENT = "client"
    SERVER = "server"
    SERIAL = "serial"


CLIENT, SERVER, SERIAL = Role.CLIENT, Role.SERVER, Role.SERIAL

_UNKNOWN = "unexpected result"
# code: (client, server, serial)
_TEXTS = {
    OK: ("connected", "a peer connected", "the port is open"),
    NO_PEER: (_UNKNOWN, "no peer connected", _UNKNOWN),
    SOCKET_FAILED: ("no socket", "no socket", "the port is missing, busy or not available"),
    CONNECT_FAILED: ("refused or unreachable", "no non-blocking mode", "the port's settings could not be read"),
    NONBLOCK_OR_BIND: ("no non-blocking mode", "the port is in use", "the port refused its settings"),
    KEEPALIVE_OR_LISTEN: ("no keep-alive", "listen failed", "the port refused its time-outs"),
    ACCEPT_FAILED: (_UNKNOWN, "accept failed", "the port refused its event mask"),
    ACCEPT_KEEPALIVE: (_UNKNOWN, "no keep-alive on the accepted link", _UNKNOWN),
    UNUSABLE: ("host name not found or network unusable", "network unusable", _UNKNOWN),
    NO_THREAD: ("no thread for the link",) * 3,
    BAD_SLOT: ("the slot is not 0, 1 or 2",) * 3,
}


def result_text(code: int, role: str) -> str:
    """A short text for a connect result; `role` is CLIENT, SERVER or SERIAL."""
    index = (CLIENT, SERVER, SERIAL).index(Role(role))
    return _TEXTS.get(code, (_UNKNOWN,) * 3)[index]
