#!/usr/bin/env python3
"""errors_test.py - every error the package documents, grouped by call.

Usage: KVNLINK=... KVN_LIBRARY=... PYTHONPATH=python/ errors_test.py
"""
import os
import socket
import subprocess
import sys
import textwrap
import threading
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "kvnlink"))
from kvnlink_test import PATIENCE, free_port, run  # noqa: E402

import kvn  # noqa: E402


def linked_pair():
    """Two links of this process joined over loopback (slots 0 and 1)."""
    port, server = free_port(), []
    waiter = threading.Thread(target=lambda: server.append(kvn.Link.listen(port, timeout=PATIENCE)))
    waiter.start()
    client = kvn.Link.connect("127.0.0.1", port, retry=PATIENCE)
    waiter.join()
    return server[0], client


class OpeningTest(unittest.TestCase):
    def test_library_not_found(self):
        script = "import kvn\ntry:\n    kvn.Link.listen()\nexcept kvn.LibraryNotFound as e:\n    print(e)"
        result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=PATIENCE,
                                env=dict(os.environ, KVN_LIBRARY="/nonexistent/libkvn.so.1"))
        self.assertIn("cannot load the kvn library: /nonexistent/libkvn.so.1", result.stdout)

    def test_bad_arguments(self):
        for call in [lambda: kvn.Link.connect("", 29999), lambda: kvn.Link.connect("127.0.0.1", 0),
                     lambda: kvn.Link.listen(65536), lambda: kvn.Link.listen(slot=3), lambda: kvn.Link.serial(10)]:
            self.assertRaises(ValueError, call)

    def test_connect_results(self):
        port = free_port()
        with self.assertRaises(kvn.ConnectError) as refused:
            kvn.Link.connect("127.0.0.1", port)
        self.assertEqual(refused.exception.code, -3)
        # The same text as kvnlink's, which takes it from kvn.h.
        self.assertIn("code -3, " + refused.exception.text, run("connect", "127.0.0.1", "--port", str(port)).stdout)
        with self.assertRaises(kvn.ConnectError) as nobody:
            kvn.Link.listen(port, timeout=0.5)
        self.assertEqual((nobody.exception.code, nobody.exception.text), (-1, "no peer connected"))
        with socket.socket() as taken:
            taken.bind(("127.0.0.1", port))
            taken.listen()
            with self.assertRaises(kvn.ConnectError) as in_use:
                kvn.Link.listen(port, timeout=PATIENCE)
        self.assertEqual((in_use.exception.code, in_use.exception.text), (-4, "the port is in use"))
        with self.assertRaises(kvn.ConnectError) as unknown:
            kvn.Link.connect("no-such-host.invalid", port)
        self.assertEqual(unknown.exception.code, -10)
        if not os.path.exists("/dev/ttyS8"):
            with self.assertRaises(kvn.ConnectError) as missing:
                kvn.Link.serial(9)
            self.assertEqual(missing.exception.code, -2)

    def test_result_texts_match_the_header(self):
        printed = subprocess.run([os.environ["KVN_RESULT_TEXTS"]], capture_output=True, text=True,
                                 timeout=PATIENCE, check=True).stdout.splitlines()
        for line in printed:
            role, code, text = line.split(" ", 2)
            self.assertEqual(kvn.result_text(int(code), role), text, line)
        self.assertEqual(len(printed), 39)
        self.assertRaises(ValueError, kvn.result_text, -3, "peer")

    def test_slots(self):
        server, client = linked_pair()
        with server, client, socket.socket() as listener:
            self.assertRaises(kvn.SlotBusy, kvn.Link.connect, "127.0.0.1", 29999, slot=server.slot)
            listener.bind(("127.0.0.1", 0))
            listener.listen()
            with kvn.Link.connect("127.0.0.1", listener.getsockname()[1]) as third:  # the kernel accepts it
                self.assertEqual(third.slot, 2)
                self.assertRaises(kvn.SlotBusy, kvn.Link.connect, "127.0.0.1", 29999)
        self.assertTrue(server.closed and client.closed)


class LifetimeTest(unittest.TestCase):
    def test_a_link_never_opened_holds_no_slot(self):
        kvn.Link(0)
        with socket.socket() as listener:
            listener.bind(("127.0.0.1", 0))
            listener.listen()
            with kvn.Link.connect("127.0.0.1", listener.getsockname()[1], slot=0) as link:
                self.assertEqual(link.slot, 0)
        self.assertEqual((kvn.Kind.MOVE, kvn.Role.SERVER), (3, "server"))

    def test_an_interrupt_just_after_the_library_opened_the_link(self):
        class Interrupted(kvn.Link):
            def _tcp(self, host, port, ipv6):
                code = super()._tcp(host, port, ipv6)
                if code == 0:
                    raise KeyboardInterrupt
                return code

        with socket.socket() as listener:
            listener.bind(("127.0.0.1", 0))
            listener.listen()
            port = listener.getsockname()[1]
            self.assertRaises(KeyboardInterrupt, Interrupted.connect, "127.0.0.1", port, slot=1)
            peer, _ = listener.accept()
            with peer:
                peer.settimeout(PATIENCE)
                self.assertEqual(peer.recv(1), b"")  # the library's link was ended, not left running
            with kvn.Link.connect("127.0.0.1", port, slot=1) as again:
                self.assertEqual(again.slot, 1)

    def test_a_thread_iterating_a_link_lets_the_process_exit(self):
        script = textwrap.dedent("""
            import sys, threading, kvn
            port = int(sys.argv[1])
            opened = []
            waiter = threading.Thread(target=lambda: opened.append(kvn.Link.listen(port, timeout=20)))
            waiter.start()
            client = kvn.Link.connect("127.0.0.1", port, retry=20)
            waiter.join()
            threading.Thread(target=lambda: [m for m in opened[0]]).start()
            print("iterating")
        """)
        result = subprocess.run([sys.executable, "-c", script, str(free_port())], capture_output=True, text=True,
                                timeout=PATIENCE)
        self.assertEqual((result.returncode, result.stdout.strip()), (0, "iterating"), result.stderr)


class ExchangeTest(unittest.TestCase):
    def test_send_receive_and_disconnect(self):
        server, client = linked_pair()
        with server, client:
            for bad in [kvn.Move(15, 0, 28), kvn.Move(15, 32, 28, [23] * 21), kvn.Move(-1, 32, 28),
                        kvn.Chat(""), kvn.Chat("x" * 127), kvn.Chat("café"), kvn.GameRequest(" Al", "W", 5, 75),
                        kvn.GameRequest("Al", "w", 5, 75), kvn.GameRequest("Al", "W", 5, 75, squares="e"),
                        kvn.GameAccept("Bob", 4), kvn.GameEnd(0, 2), kvn.BackRequest(0, "W"), kvn.BackAccept(3)]:
                self.assertRaises(ValueError, client.send, bad)
            for bad in [kvn.Move("15", 32, 28), kvn.Chat(5), kvn.UnknownMessage(), "M0015322800"]:
                self.assertRaises(TypeError, client.send, bad)
            self.assertRaises(TimeoutError, server.receive, timeout=0.2)

            # A receive waiting in another thread is woken by disconnect().
            outcome = []

            def wait():
                try:
                    server.receive()
                except kvn.LinkClosed:
                    outcome.append("closed")

            waiter = threading.Thread(target=wait)
            waiter.start()
            server.disconnect()
            waiter.join(PATIENCE)
            self.assertEqual(outcome, ["closed"])
            server.disconnect()  # a second time does nothing
            self.assertRaises(kvn.LinkClosed, server.send, kvn.Chat("late"))
            self.assertRaises(kvn.LinkClosed, server.receive, timeout=0)
            self.assertRaises(kvn.LinkLost, client.receive, timeout=PATIENCE)


if __name__ == "__main__":
    unittest.main()
