"""The kvn_window a link is notified through: its callback, run on one of the
library's threads, only queues the notification, as kvn.h asks."""
from __future__ import annotations

import ctypes
import queue
import threading

from .library import POST, Window

CONNECTION_LOST = 100   # wparam: the TCP link was torn down
CLOSED = -1             # queued by the package itself when the link is disconnected
NOTIFICATION = 0x8001   # the message number handed to the library; any number would do


class Inbox:
    """Notifications of one link, in the order the library posted them."""

    def __init__(self) -> None:
        self.events: "queue.Queue[int]" = queue.Queue()
        self.lost_reported = threading.Event()
        # The callback object and the structure must live as long as the link:
        # the library holds only a pointer to them.
        self._post = POST(self._on_post)
        self._window = Window(self._post, None)

    def handle(self) -> "ctypes._Pointer[Window]":
        return ctypes.pointer(self._window)

    def _on_post(self, _window: object, message: int, wparam: int, _slot: int) -> None:
        if message != NOTIFICATION:
            return
        if wparam == CONNECTION_LOST:
            self.lost_reported.set()
        self.events.put(wparam)
