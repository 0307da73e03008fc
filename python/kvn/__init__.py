"""kvn for Python: draughts game messages between two programs over TCP or a
null-modem cable, through the kvn shared library.

    import kvn
    with kvn.Link.connect("127.0.0.1", 27531) as link:
        link.send(kvn.GameRequest("Alice", "W", 5, 75))
        for message in link:
            print(message)

See docs/python.md for every call and its errors.
"""
from ._version import __version__
from .errors import ConnectError, KvnError, LibraryNotFound, LinkClosed, LinkLost, SlotBusy
from .library import load_library
from .link import DEFAULT_PORT, Link
from .messages import (INITIAL_POSITION, BackAccept, BackRequest, Chat, GameAccept, GameEnd, GameRequest, Kind,
                       Message, Move, UnknownMessage)
from .results import Role, result_text

Accept = GameAccept  # the shorter name of the same class

__all__ = [
    "__version__", "Link", "DEFAULT_PORT", "load_library", "result_text", "Kind", "Role",
    "Message", "GameRequest", "GameAccept", "Accept", "Move", "GameEnd", "Chat", "BackRequest", "BackAccept",
    "UnknownMessage", "INITIAL_POSITION",
    "KvnError", "LibraryNotFound", "ConnectError", "SlotBusy", "LinkLost", "LinkClosed",
]
