"""Link: one open kvn link (TCP client, TCP server or null-modem serial) in one slot."""
from __future__ import annotations

import atexit
import ctypes
import queue
import threading
import time
from typing import Callable, Iterator, Optional

from . import slots
from .errors import ConnectError, LinkClosed, LinkLost
from .inbox import CLOSED, CONNECTION_LOST, NOTIFICATION, Inbox
from .library import IS_WINDOWS, load_library
from .messages import Message, from_record, to_record
from .record import MessageRecord
from .results import CLIENT, CONNECT_FAILED, NO_PEER, OK, SERIAL, SERVER, result_text

DEFAULT_PORT = 27531
_RETRY_PAUSE_S = 0.2  # between two refused connection attempts


def _check_port(port: object) -> int:
    if not isinstance(port, int) or not 1 <= port <= 65535:
        raise ValueError(f"port must be 1..65535, not {port!r}")
    return port


class Link:
    """An open link.  Make one with Link.connect, Link.listen or Link.serial;
    end it with disconnect() or by leaving a `with` block.

    The methods may be called from any thread: calls into the library for the
    slot are serialised here.  Notifications are queued by the library's
    threads and turned into messages by receive()."""

    def __init__(self, slot: Optional[int]) -> None:
        """Prepares a link for `slot` (None: the first free one); the class
        methods below take the slot and open the link in it, so a Link that
        was never opened holds no slot."""
        if IS_WINDOWS:
            raise NotImplementedError(
                "kvn for Python opens links only where the library notifies through a callback; "
                "on Windows it posts window messages, which this package does not receive yet")
        if slot is not None and (not isinstance(slot, int) or not 0 <= slot < slots.SLOT_COUNT):
            raise ValueError(f"slot must be 0, 1 or 2, not {slot!r}")
        self._lib = load_library()
        self._inbox = Inbox()
        self._calls = threading.Lock()  # one library call for this slot at a time
        self._closed = True  # until the link is open
        self._wanted = slot
        self.slot = slot

    # --- opening ----------------------------------------------------------------

    def _open(self, role: str, attempt: Callable[[], int], again: Callable[[int], bool]) -> Link:
        self.slot = slots.reserve(self._wanted, self)
        try:
            while True:
                code = attempt()
                if code == OK or not again(code):
                    break
        except BaseException:
            # A Ctrl-C may come just after the library opened the link: end
            # it, or its threads would call back into a collected callback.
            self._lib.kvn_disconnect(self.slot)
            slots.release(self.slot)
            raise
        if code != OK:
            slots.release(self.slot)
            raise ConnectError(result_text(code, role), code)
        self._closed = False
        return self

    def _tcp(self, host: Optional[str], port: int, ipv6: bool) -> int:
        connect = self._lib.kvn_socket_connect6_ex if ipv6 else self._lib.kvn_socket_connect_ex
        return connect(self.slot, None if host is None else host.encode(), self._inbox.handle(),
                       NOTIFICATION, port)

    @classmethod
    def connect(cls, host: str, port: int = DEFAULT_PORT, ipv6: bool = False, *,
                retry: float = 0.0, slot: Optional[int] = None) -> Link:
        """Connects to `host` (a name or numeric address; with ipv6 use "::1" for
        this machine).  A refused connection is tried again for `retry` seconds."""
        if not isinstance(host, str) or not host:
            raise ValueError("host must be a non-empty name or address; to wait for a peer use Link.listen")
        _check_port(port)
        deadline = time.monotonic() + retry

        def again(code: int) -> bool:
            if code != CONNECT_FAILED or time.monotonic() + _RETRY_PAUSE_S > deadline:
                return False
            time.sleep(_RETRY_PAUSE_S)  # a pause between attempts, not a wait for anything
            return True

        link = cls(slot)
        return link._open(CLIENT, lambda: link._tcp(host, port, ipv6), again)

    @classmethod
    def listen(cls, port: int = DEFAULT_PORT, ipv6: bool = False, timeout: Optional[float] = None, *,
               slot: Optional[int] = None) -> Link:
        """Waits for one peer on every local address.  The library waits about
        half a second per call; this calls again until a peer comes or `timeout`
        seconds have passed (None: no limit), then raises ConnectError(-1)."""
        _check_port(port)
        deadline = None if timeout is None else time.monotonic() + timeout
        link = cls(slot)
        return link._open(SERVER, lambda: link._tcp(None, port, ipv6),
                          lambda code: code == NO_PEER and (deadline is None or time.monotonic() < deadline))

    @classmethod
    def serial(cls, port: int, *, slot: Optional[int] = None) -> Link:
        """Opens the null-modem link on COM`port` (1..9; on Linux /dev/ttyS<port-1>)."""
        if not isinstance(port, int) or not 1 <= port <= 9:
            raise ValueError(f"serial port must be 1..9 (COM1..COM9), not {port!r}")
        link = cls(slot)
        return link._open(SERIAL, lambda: link._lib.kvn_nulmodem_connect(
            link.slot, port, link._inbox.handle(), NOTIFICATION), lambda code: False)

    # --- exchanging ---------------------------------------------------------------

    @property
    def lost(self) -> bool:
        """True once the library has reported the link gone (messages that arrived
        before may still wait to be received)."""
        return self._inbox.lost_reported.is_set()

    @property
    def closed(self) -> bool:
        return self._closed

    def send(self, message: Message) -> None:
        """Queues `message`; the library sends it at once."""
        record = to_record(message)
        with self._calls:
            if self._closed:
                raise LinkClosed("the link is disconnected")
            if self.lost:
                raise LinkLost("the link is lost; nothing more can be sent", CONNECTION_LOST)
            self._lib.kvn_send_message(self.slot, ctypes.byref(record))

    def receive(self, timeout: Optional[float] = None) -> Message:
        """The next message that arrived, waiting up to `timeout` seconds (None: no
        limit).  Raises TimeoutError, LinkLost once the link is gone and every
        message that came before it was taken, or LinkClosed after disconnect()."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            if self._closed:
                raise LinkClosed("the link is disconnected")
            remaining = None if deadline is None else max(0.0, deadline - time.monotonic())
            try:
                event = self._inbox.events.get(timeout=remaining)
            except queue.Empty:
                raise TimeoutError(f"no message within {timeout} s") from None
            if event in (CONNECTION_LOST, CLOSED):
                # Put it back so that every later call, in any thread, ends the same way.
                self._inbox.events.put(event)
                if event == CLOSED:
                    continue
                raise LinkLost("the link is lost", CONNECTION_LOST)
            record = MessageRecord()
            with self._calls:
                if self._closed:
                    continue
                self._lib.kvn_receive_message(self.slot, ctypes.byref(record))
            return from_record(record)

    def __iter__(self) -> Iterator[Message]:
        """Every arriving message, until the link is lost or disconnected."""
        while True:
            try:
                yield self.receive()
            except (LinkLost, LinkClosed):
                return

    # --- closing ------------------------------------------------------------------

    def disconnect(self) -> None:
        """Ends the link and frees its slot; unsent and unfetched messages are
        dropped.  Calling it again does nothing."""
        with self._calls:
            if self._closed:
                return
            slot = self.slot if self.slot is not None else -1  # an open link always holds one
            self._lib.kvn_disconnect(slot)
            self._closed = True
            slots.release(slot)
        self._inbox.events.put(CLOSED)  # wakes a receive() waiting in another thread

    close = disconnect

    def __enter__(self) -> Link:
        return self

    def __exit__(self, *_exception: object) -> None:
        self.disconnect()

    def __repr__(self) -> str:
        state = "disconnected" if self._closed else "lost" if self.lost else "open"
        return f"<kvn.Link slot {self.slot} {state}>"


def _disconnect_all() -> None:
    # The library's threads must not call into an interpreter that is shutting down.
    for holder in slots.holders():
        if isinstance(holder, Link):
            holder.disconnect()


# Before the interpreter waits for its threads, where it can: a thread that
# iterates a link then sees it closed and ends, instead of keeping the process
# alive.  atexit runs only after those threads have ended.
_early_exit_hook = getattr(threading, "_register_atexit", None)
if _early_exit_hook is not None:
    _early_exit_hook(_disconnect_all)
atexit.register(_disconnect_all)
