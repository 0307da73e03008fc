#!/usr/bin/env python3
"""game_test.py - the Python package plays kvnlink in another process, and every
message kind goes both ways with kvnlink's C codec as the reference.

Usage: KVNLINK=... KVN_LIBRARY=... PYTHONPATH=python/ game_test.py [TestClass ...]
"""
import dataclasses
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "kvnlink"))
from kvnlink_test import PATIENCE, REFEREE_LINES, Peer, free_port  # noqa: E402  (kvnlink as a process)

import kvn  # noqa: E402

KIND_NAMES = {kvn.GameRequest: "request", kvn.GameAccept: "accept", kvn.Move: "move", kvn.GameEnd: "end",
              kvn.Chat: "chat", kvn.BackRequest: "back", kvn.BackAccept: "backaccept"}
POSITION = "e" * 6 + "z" + "e" * 4 + "Z" + "e" * 25 + "W" + "e" * 5 + "w" + "e" * 6  # men and kings


class AgainstKvnlink(unittest.TestCase):
    """kvnlink listens with --json and takes commands through a pipe; the package connects."""

    def setUp(self):
        port = free_port()
        # The messages alone are under test, not the game they make up.
        self.peer = Peer("listen", "--port", str(port), "--timeout", str(PATIENCE), "--json", "--allow-illegal")
        self.peer.skipped = REFEREE_LINES
        self.addCleanup(self.peer.stop)
        self.assertEqual(self.peer.expect_json()["kind"], "waiting")
        self.link = kvn.Link.connect("127.0.0.1", port, retry=PATIENCE)
        self.addCleanup(self.link.disconnect)
        self.assertEqual(self.peer.expect_json()["kind"], "connected")

    def assert_same(self, line, message):
        """kvnlink's JSON line shows exactly the fields of `message`."""
        self.assertEqual(line["kind"], KIND_NAMES[type(message)], line)
        for field in dataclasses.fields(message):
            self.assertEqual(line[field.name], getattr(message, field.name), (field.name, line))

    def python_sends(self, message):
        self.link.send(message)
        line = self.peer.expect_json()
        self.assertEqual(line["direction"], "received")
        self.assert_same(line, message)

    def kvnlink_sends(self, command):
        self.peer.send(command)
        sent = self.peer.expect_json()
        self.assertEqual(sent["direction"], "sent")
        message = self.link.receive(timeout=PATIENCE)
        self.assert_same(sent, message)
        return message


class GameTest(AgainstKvnlink):
    def test_a_short_game_then_python_disconnects(self):
        self.python_sends(kvn.GameRequest("Python", "W", 5, 75))
        self.assertEqual(self.kvnlink_sends('accept "kvnlink" 0'), kvn.GameAccept("kvnlink", 0))
        self.python_sends(kvn.Move(time=15, from_square=32, to_square=28))
        self.kvnlink_sends("move 12 19-23")
        self.python_sends(kvn.Move(time=30, from_square=28, to_square=19, captured=[23]))
        self.assertEqual(self.kvnlink_sends("move 25 14x23 19"), kvn.Move(25, 14, 23, [19]))
        self.assertEqual(self.kvnlink_sends("chat good luck"), kvn.Chat("good luck"))
        self.python_sends(kvn.GameEnd(reason=1, stop_code=0))
        with self.link:
            pass  # leaving the block disconnects
        self.assertEqual(self.peer.expect_json()["kind"], "connection_lost")
        self.assertEqual(self.peer.exit_code(), 3)

    def test_kvnlink_leaves(self):
        self.kvnlink_sends("chat bye")
        self.peer.send("quit")  # kvnlink drops what it has not sent yet, so nothing else is on the way
        with self.assertRaises(kvn.LinkLost) as lost:
            self.link.receive(timeout=PATIENCE)
        self.assertEqual(lost.exception.code, 100)
        self.assertTrue(self.link.lost)
        self.assertEqual(list(self.link), [])  # iteration ends with the link
        self.assertEqual(self.peer.exit_code(), 0)
        self.assertRaises(kvn.LinkLost, self.link.send, kvn.Chat("anyone?"))


class ConversionTest(AgainstKvnlink):
    def test_every_kind_from_python(self):
        for message in [kvn.GameRequest("A" * 32, "Z", 999, 0, "Z", POSITION, version=99),
                        kvn.GameRequest("Initial", "W", 0, 999),
                        kvn.GameAccept("Deep Thought", 3), kvn.Move(9999, 50, 1, list(range(21, 41))),
                        kvn.Move(0, 1, 50), kvn.GameEnd(3, 1), kvn.Chat(' "quoted" \\ ' * 10 + "~" * 6),
                        kvn.BackRequest(999, "Z"), kvn.BackAccept(2)]:
            with self.subTest(message=message):
                self.python_sends(message)

    def test_every_kind_to_python(self):
        for command in ["request \"Two Words\" z 10 0 Z " + POSITION, "request Initial W 5 75",
                        "accept \"" + "B" * 32 + "\" 3", "move 9999 50-1 x" + ",".join(map(str, range(1, 21))),
                        "move 0 1-50", "end 0 1", "chat " + "x" * 126, "back 1 W", "backaccept 0"]:
            with self.subTest(command=command):
                self.kvnlink_sends(command)


if __name__ == "__main__":
    unittest.main()
