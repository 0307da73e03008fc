#!/usr/bin/env python3
"""send_move.py - the C example's loopback move, from Python through ctypes.

Run:  python3 send_move.py /usr/lib/x86_64-linux-gnu/libkvn.so.1 [port]
      (the Debian package's place on amd64; `dpkg -L libkvn1` shows it)
Slot 0 serves, slot 1 connects to it over 127.0.0.1, slot 1 sends a move with
two captures, slot 0 is notified, fetches it and prints it.  Exit status 0
when the move came through unchanged.
"""
import ctypes
import queue
import sys
import threading

KVN_NONE, KVN_GAME_REQUEST, KVN_GAME_ACCEPT, KVN_MOVE = 0, 1, 2, 3
KVN_GAME_END, KVN_CHAT, KVN_BACK_REQUEST, KVN_BACK_ACCEPT = 4, 5, 6, 7
KVN_CONNECTION_LOST = 100
KVN_OK, KVN_NO_PEER, KVN_CONNECT_FAILED = 0, -1, -3
MY_MESSAGE = 0x8001

c_char, c_int16, c_int32 = ctypes.c_char, ctypes.c_int16, ctypes.c_int32


# The record is byte-packed: _pack_ = 1 on every structure and on the union.
class GameRequest(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("version", c_int16), ("name", c_char * 33), ("colour", c_char),
                ("thinking_time", c_int16), ("move_count", c_int16),
                ("side_to_move", c_char), ("squares", c_char * 50)]


class GameAccept(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("name", c_char * 33), ("accept_code", c_int16)]


class Move(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("time", c_int16), ("from_square", c_int16), ("to_square", c_int16),
                ("capture_count", c_int16), ("captured", c_int16 * 20)]


class GameEnd(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("reason", c_int16), ("stop_code", c_int16)]


class Chat(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("text", c_char * 127)]


class BackRequest(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("move_number", c_int16), ("side_to_move", c_char)]


class BackAccept(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("accept_code", c_int16)]


class Payload(ctypes.Union):
    _pack_ = 1
    _fields_ = [("game_request", GameRequest), ("game_accept", GameAccept), ("move", Move),
                ("game_end", GameEnd), ("chat", Chat), ("back_request", BackRequest),
                ("back_accept", BackAccept)]


class Message(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("type", c_int32), ("u", Payload)]


assert ctypes.sizeof(Message) == 131
assert GameAccept.accept_code.offset + Message.u.offset == 37


class Window(ctypes.Structure):
    pass


POST = ctypes.CFUNCTYPE(None, ctypes.POINTER(Window), ctypes.c_uint32, ctypes.c_size_t, ctypes.c_ssize_t)
Window._fields_ = [("post", POST), ("context", ctypes.c_void_p)]


def load(path):
    lib = ctypes.CDLL(path)
    window = ctypes.POINTER(Window)
    for name in ("kvn_socket_connect", "kvn_socket_connect6"):
        getattr(lib, name).argtypes = [c_int32, ctypes.c_char_p, window, ctypes.c_uint32]
        getattr(lib, name).restype = c_int32
    for name in ("kvn_socket_connect_ex", "kvn_socket_connect6_ex"):
        getattr(lib, name).argtypes = [c_int32, ctypes.c_char_p, window, ctypes.c_uint32, c_int32]
        getattr(lib, name).restype = c_int32
    lib.kvn_nulmodem_connect.argtypes = [c_int32, c_int32, window, ctypes.c_uint32]
    lib.kvn_nulmodem_connect.restype = c_int32
    lib.kvn_send_message.argtypes = [c_int32, ctypes.POINTER(Message)]
    lib.kvn_send_message.restype = None
    lib.kvn_receive_message.argtypes = [c_int32, ctypes.POINTER(Message)]
    lib.kvn_receive_message.restype = None
    lib.kvn_disconnect.argtypes = [c_int32]
    lib.kvn_disconnect.restype = None
    return lib


class Inbox:
    """A kvn_window whose callback, run on a library thread, only queues the event."""

    def __init__(self):
        self.events = queue.Queue()
        # Keep the callback object and the structure alive for as long as any link uses them.
        self._post = POST(self._on_post)
        self.window = Window(self._post, None)

    def _on_post(self, _self, message, wparam, lparam):
        if message == MY_MESSAGE:
            self.events.put((wparam, lparam))

    def handle(self):
        return ctypes.pointer(self.window)


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    lib = load(sys.argv[1])
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 0  # 0: the default port 27531
    server_box, client_box = Inbox(), Inbox()

    # A server call waits about 500 ms for its peer and gives -1 when none came.
    server_result = [KVN_NO_PEER]

    def serve():
        for _ in range(40):
            server_result[0] = lib.kvn_socket_connect_ex(0, None, server_box.handle(), MY_MESSAGE, port)
            if server_result[0] != KVN_NO_PEER:
                break

    server = threading.Thread(target=serve)
    server.start()
    client = KVN_CONNECT_FAILED
    for _ in range(400):  # refused (-3) until the server listens
        client = lib.kvn_socket_connect_ex(1, b"127.0.0.1", client_box.handle(), MY_MESSAGE, port)
        if client != KVN_CONNECT_FAILED:
            break
        threading.Event().wait(0.05)
    server.join()
    try:
        if client != KVN_OK or server_result[0] != KVN_OK:
            print(f"connect failed: client {client}, server {server_result[0]}", file=sys.stderr)
            return 1

        move = Message()
        move.type = KVN_MOVE
        move.u.move.time = 42
        move.u.move.from_square = 33
        move.u.move.to_square = 11
        move.u.move.capture_count = 2
        move.u.move.captured[0] = 28
        move.u.move.captured[1] = 17
        lib.kvn_send_message(1, ctypes.byref(move))

        try:
            wparam, slot = server_box.events.get(timeout=20)
        except queue.Empty:
            print("no notification on slot 0", file=sys.stderr)
            return 1
        received = Message()
        lib.kvn_receive_message(0, ctypes.byref(received))
        m = received.u.move
        captured = list(m.captured[:m.capture_count])
        print(f"slot {slot} notified with {wparam}; received type {received.type}: "
              f"{m.from_square}-{m.to_square} time {m.time}, captured {captured}")
        ok = (wparam, slot, received.type) == (KVN_MOVE, 0, KVN_MOVE) and \
            (m.time, m.from_square, m.to_square, captured) == (42, 33, 11, [28, 17])
        return 0 if ok else 1
    finally:
        lib.kvn_disconnect(1)
        lib.kvn_disconnect(0)


if __name__ == "__main__":
    sys.exit(main())
