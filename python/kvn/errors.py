"""The exceptions the package raises.  Each carries the library's result code
(None where the library gave none) and a short text."""
from __future__ import annotations

from typing import Optional


class KvnError(Exception):
    """Base of every kvn exception."""

    def __init__(self, text: str, code: Optional[int] = None):
        super().__init__(text if code is None else f"{text} (code {code})")
        self.code = code
        self.text = text


class LibraryNotFound(KvnError):
    """The shared library could not be found or loaded."""


class ConnectError(KvnError):
    """A connect function returned a negative result code; `code` is that code."""


class SlotBusy(KvnError):
    """The slot asked for is in use by another link, or all three are."""


class LinkLost(KvnError):
    """The library reported the TCP link gone, and every message that arrived before was taken."""


class LinkClosed(KvnError):
    """The link was disconnected by this program."""
