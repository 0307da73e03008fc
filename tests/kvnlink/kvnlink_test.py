#!/usr/bin/env python3
"""kvnlink_test.py - runs kvnlink as processes, drives them through standard input and checks every printed line.

Usage: KVNLINK=path/to/kvnlink kvnlink_test.py [TestClass ...]
"""
import json
import os
import queue
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import unittest
from xml.etree import ElementTree

KVNLINK = os.environ.get("KVNLINK", "kvnlink")
PATIENCE = 20.0  # seconds; the machine is small and shared
# The referee's lines, for tests of the messages alone.
REFEREE_LINES = ("-- following", "!! illegal", "-- game", "-- not following", '{"kind":"game_',
                 '{"kind":"illegal"', '{"kind":"not_following"')

SCRATCH = tempfile.TemporaryDirectory(prefix="kvnlink_test_")  # PDN files; removed at exit
INITIAL = "z" * 20 + "e" * 10 + "w" * 20
# A position that is not the initial one: one white man moved 32-28, black to move.
AFTER_32_28 = INITIAL[:27] + "w" + INITIAL[28:31] + "e" + INITIAL[32:]


def free_port(family=socket.AF_INET, address="127.0.0.1"):
    with socket.socket(family, socket.SOCK_STREAM) as s:
        s.bind((address, 0))
        return s.getsockname()[1]


def pdn_games(path):
    """Each game of a PDN file as (tags, moves, comments): just enough to read back what kvnlink writes."""
    games = []
    for chunk in re.split(r"\n(?=\[Event )", open(path).read().strip()):
        tags = dict(re.findall(r'^\[(\w+) "((?:[^"\\]|\\.)*)"\]$', chunk, re.M))
        movetext = "\n".join(l for l in chunk.splitlines() if not l.startswith("["))
        comments = re.findall(r"\{([^}]*)\}", movetext)
        moves = re.findall(r"(?<![\w.])\d+(?:[-x]\d+)+", re.sub(r"\{[^}]*\}", "", movetext))
        games.append((tags, [m for m in moves if m not in ("2-0", "0-2", "1-1")], comments))
    return games


def shown_move(line):
    """'<- move 28-19 x23 time 0' as PDN writes it: '28x19'."""
    squares = line.split()[2]
    return squares.replace("-", "x") if " x" in line else squares


def run(*args):
    return subprocess.run([KVNLINK, *args], capture_output=True, text=True, timeout=PATIENCE)


class Peer:
    """One kvnlink process; its output lines are collected by a reader thread."""

    def __init__(self, *args):
        self.process = subprocess.Popen([KVNLINK, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, bufsize=1)
        self.lines = queue.Queue()
        self.seen = []
        self.skipped = ()  # prefixes of lines `expect` passes over, besides board lines
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def next_line(self):
        try:
            line = self.lines.get(timeout=PATIENCE)
        except queue.Empty:
            raise AssertionError("no output within %.0f s; so far: %r" % (PATIENCE, self.seen[-10:]))
        if line is None:
            raise AssertionError("output ended; last lines: %r" % self.seen[-10:])
        self.seen.append(line)
        return line

    def expect(self, wanted):
        """The next line that is not a board line; it must be `wanted` exactly."""
        line = self.next_line()
        while line.startswith(("     ",) + self.skipped):
            line = self.next_line()
        if line != wanted:
            raise AssertionError("expected %r, got %r" % (wanted, line))
        return line

    def expect_json(self):
        line = self.next_line()
        while line.startswith(self.skipped):
            line = self.next_line()
        return json.loads(line)

    def board(self):
        """The 13 lines drawn under a game request."""
        return [self.next_line() for _ in range(13)]

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def close_input(self):
        self.process.stdin.close()

    def exit_code(self):
        return self.process.wait(timeout=PATIENCE)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=PATIENCE)
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            try:
                stream.close()
            except (OSError, ValueError):
                pass


class LinkedPair(unittest.TestCase):
    """A listening and a connecting kvnlink on loopback."""
    json_mode = False
    ipv6 = False
    server_args = ()
    client_args = ()
    # Tests of the messages alone, not of the game they make up: moves go out as typed, and the referee's lines are passed over.
    messages_only = False

    def setUp(self):
        family, address = (socket.AF_INET6, "::1") if self.ipv6 else (socket.AF_INET, "127.0.0.1")
        port = str(free_port(family, address))
        extra = (["--ipv6"] if self.ipv6 else []) + (["--json"] if self.json_mode else [])
        if self.messages_only:
            extra.append("--allow-illegal")
        self.server = Peer("listen", "--port", port, "--timeout", str(PATIENCE), *extra, *self.server_args)
        self.addCleanup(self.server.stop)
        self.first_server_line = self.server.next_line()  # the waiting line
        self.client = Peer("connect", address, "--port", port, "--retry", str(PATIENCE), *extra, *self.client_args)
        self.addCleanup(self.client.stop)
        if self.messages_only:
            for peer in (self.server, self.client):
                peer.skipped = REFEREE_LINES
        if self.json_mode:
            self.assertEqual(self.server.expect_json()["kind"], "connected")
            self.assertEqual(self.client.expect_json()["kind"], "connected")
        else:
            self.server.expect("-- a peer connected on port %s (IP%s)" % (port, "v6" if self.ipv6 else "v4"))
            self.client.expect("-- connected to %s port %s (IP%s)" % (address, port, "v6" if self.ipv6 else "v4"))

    def exchange(self, sender, receiver, command, shown):
        sender.send(command)
        sender.expect("-> " + shown)
        receiver.expect("<- " + shown)

    def request(self, sender, receiver, command, shown):
        """A game request both ways; the receiver's board as it printed it."""
        sender.send(command)
        sender.expect("-> " + shown)
        sender.board()
        receiver.expect("<- " + shown)
        return receiver.board()


class SessionTest(LinkedPair):
    messages_only = True
    def test_every_kind_both_ways_then_end_of_input(self):
        s, c = self.server, self.client
        self.assertEqual(self.first_server_line, "-- waiting for a peer on port %s (IPv4)" %
                         self.first_server_line.split()[-2])

        board = self.request(s, c, "request Alice W 5 75",
                             'request "Alice" colour W time 5 moves 75 version 1 initial position')
        self.assertEqual(board[1], "     |   z   z   z   z   z |     1   2   3   4   5")
        self.assertEqual(board[6], "     | .   .   .   .   .   |  26  27  28  29  30")
        self.assertEqual(board[10], "     | w   w   w   w   w   |  46  47  48  49  50")
        self.assertTrue(board[12].endswith("W to move"))

        board = self.request(s, c, 'request "Second Game" z 10 0 Z ' + AFTER_32_28,
                             'request "Second Game" colour Z time 10 moves 0 version 1 position Z to move')
        self.assertEqual(board[6], "     | .   .   w   .   .   |  26  27  28  29  30")
        self.assertEqual(board[7], "     |   w   .   w   w   w |    31  32  33  34  35")

        self.exchange(c, s, 'accept "Deep Thought" 0', 'accept "Deep Thought" code 0')
        self.exchange(s, c, "move 15 32 28", "move 32-28 time 15")
        self.exchange(c, s, "move 12 19-23", "move 19-23 time 12")
        self.exchange(s, c, "move 30 28x19 23", "move 28-19 x23 time 30")
        self.exchange(c, s, "move 9999 50 1 x44,39 33 28", "move 50-1 x44,39,33,28 time 9999")
        self.exchange(s, c, "end 3 1", "end reason 3 stop 1")
        self.exchange(c, s, 'chat well played, "friend"  ', 'chat "well played, \\"friend\\"  "')
        self.exchange(s, c, "back 123 z", "back move 123 side Z")
        self.exchange(c, s, "backaccept 2", "backaccept code 2")
        # raw goes through the codec: a well-formed text arrives as written...
        self.exchange(s, c, "raw M003028190123", "move 28-19 x23 time 30")
        # ...and what the library re-encodes differently is pointed out.
        s.send("raw E41")
        s.expect("-> end reason 0 stop 1")
        s.expect('-- the raw text went out re-encoded as "E01"')
        c.expect("<- end reason 0 stop 1")

        # Lines not understood get one error line each and the link stays up.
        for bad, error in [("frobnicate 1", "!! frobnicate: unknown command (try help)"),
                           ("move 15 51 28", "!! move: FROM must be a number 1-50, not '51'"),
                           ("move 15 32-28 x0", "!! move: CAPTURED must be a number 1-50, not '0'"),
                           ("end 4 0", "!! end: REASON must be a number 0-3, not '4'"),
                           ("accept Bob", "!! accept: expected accept NAME CODE"),
                           ("request Al W 5 75 W zz", "!! request: SQUARES must have 50 characters, not 2"),
                           ("request Al W 5 75 W", "!! request: give both SIDE and SQUARES, or neither"),
                           ('accept "Bob 1', "!! accept: a quote is not closed"),
                           ("back 1 Q", "!! back: SIDE must be W or Z, not 'Q'"),
                           ("chat", "!! chat: the text must have 1-126 characters"),
                           ("raw x123", "!! raw: the text must start with one of R A M E C B K")]:
            s.send(bad)
            s.expect(error)
        s.send("")
        s.send("help")
        self.assertTrue(s.next_line().startswith("-- request NAME COLOUR"))
        while not s.next_line().startswith("-- Names with spaces"):
            pass
        self.exchange(s, c, "chat still here", 'chat "still here"')

        # End of input disconnects cleanly; the peer sees the link go.
        c.close_input()
        c.expect("-- end of input, disconnected")
        self.assertEqual(c.exit_code(), 0)
        s.expect("-- connection lost: the peer went away")
        self.assertEqual(s.exit_code(), 3)

    def test_killed_peer_is_reported_as_lost(self):
        self.exchange(self.client, self.server, "chat bye", 'chat "bye"')
        self.client.process.kill()
        self.server.expect("-- connection lost: the peer went away")
        self.assertEqual(self.server.exit_code(), 3)

    def test_quit_disconnects(self):
        self.server.send("quit")
        self.server.expect("-- disconnected")
        self.assertEqual(self.server.exit_code(), 0)
        self.client.expect("-- connection lost: the peer went away")
        self.assertEqual(self.client.exit_code(), 3)


class Ipv6Test(LinkedPair):
    ipv6 = True

    def test_chat_over_ipv6(self):
        self.exchange(self.client, self.server, "chat over ::1", 'chat "over ::1"')
        self.exchange(self.server, self.client, "move 1 31-27", "move 31-27 time 1")
        self.server.close_input()
        self.assertEqual(self.server.exit_code(), 0)
        self.assertEqual(self.client.exit_code(), 3)


class JsonTest(LinkedPair):
    json_mode = True
    messages_only = True

    def check(self, sender, receiver, command, fields):
        sender.send(command)
        sent, received = sender.expect_json(), receiver.expect_json()
        self.assertEqual(sent, dict(direction="sent", **fields))
        self.assertEqual(received, dict(direction="received", **fields))

    def test_every_kind_field_by_field(self):
        s, c = self.server, self.client
        self.check(s, c, "request Alice Z 5 75",
                   dict(kind="request", version=1, name="Alice", colour="Z", thinking_time=5, move_count=75,
                        side_to_move="W", squares=INITIAL, initial=True))
        self.check(s, c, "request Bob W 0 999 Z " + AFTER_32_28,
                   dict(kind="request", version=1, name="Bob", colour="W", thinking_time=0, move_count=999,
                        side_to_move="Z", squares=AFTER_32_28, initial=False))
        self.check(c, s, 'accept "Deep Thought" 3', dict(kind="accept", name="Deep Thought", accept_code=3))
        self.check(s, c, "move 15 32-28", dict(kind="move", time=15, from_square=32, to_square=28,
                                                capture_count=0, captured=[]))
        self.check(c, s, "move 25 14x23 19", dict(kind="move", time=25, from_square=14, to_square=23,
                                                   capture_count=1, captured=[19]))
        self.check(s, c, "end 2 0", dict(kind="end", reason=2, stop_code=0))
        self.check(c, s, 'chat "quoted text"', dict(kind="chat", text="quoted text"))
        self.check(s, c, "back 7 Z", dict(kind="back", move_number=7, side_to_move="Z"))
        self.check(c, s, "backaccept 1", dict(kind="backaccept", accept_code=1))

        s.send("raw K9")
        self.assertEqual(s.expect_json(), dict(direction="sent", kind="backaccept", accept_code=1))
        self.assertEqual(s.expect_json()["wire"], "K1")
        self.assertEqual(c.expect_json(), dict(direction="received", kind="backaccept", accept_code=1))

        s.send("nonsense")
        self.assertEqual(s.expect_json(), dict(kind="error", text="nonsense: unknown command (try help)"))

        s.close_input()
        self.assertEqual(s.expect_json()["kind"], "disconnected")
        self.assertEqual(c.expect_json()["kind"], "connection_lost")
        self.assertEqual(s.exit_code(), 0)
        self.assertEqual(c.exit_code(), 3)


class RefereeTest(LinkedPair):
    server_args = ("--pdn", os.path.join(SCRATCH.name, "referee.pdn"))
    client_args = ("--allow-illegal", "--pdn", os.path.join(SCRATCH.name, "no-such-dir", "x.pdn"))

    def test_illegal_moves_refused_flagged_and_recorded(self):
        s, c = self.server, self.client
        s.send("request Alice W 5 75")
        s.expect('-> request "Alice" colour W time 5 moves 75 version 1 initial position')
        c.expect('<- request "Alice" colour W time 5 moves 75 version 1 initial position')
        self.exchange(c, s, "accept Bob 0", 'accept "Bob" code 0')
        for peer in (s, c):
            peer.expect("-- following the game: W Alice, Z Bob, W to move")
        self.exchange(s, c, "move 0 32-28", "move 32-28 time 0")
        self.exchange(c, s, "move 0 19-23", "move 19-23 time 0")
        # Typed and illegal: refused, unless --allow-illegal.
        s.send("move 0 28-22")
        s.expect("!! not sent: illegal move by W: 28-22 leaves a compulsory capture 28x19 "
                 "(--allow-illegal sends such moves)")
        s.send("move 0 23-18")
        s.expect("!! not sent: illegal move by W: 23-18 moves a piece of Z (--allow-illegal sends such moves)")
        self.exchange(s, c, "move 0 28x19 23", "move 28-19 x23 time 0")
        c.send("move 0 18-22")
        c.expect("-> move 18-22 time 0")
        flagged = c.next_line()
        self.assertRegex(flagged, r"^!! illegal move by Z: 18-22 leaves a compulsory capture 1[34]x2[34]$")
        s.expect("<- move 18-22 time 0")
        s.expect(flagged)
        # The illegal move loses for its mover, as an arbiter rules.
        for peer in (s, c):
            peer.expect("-- game over: illegal move; W wins, 2-0")
        s.send("board")
        board = [s.next_line() for _ in range(14)]
        self.assertEqual(board[-1], "     W:W19,31,33,34,35,36,37,38,39,40,41,42,43,44,45,46,47,48,49,50:"
                                    "B1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,20,22")
        self.exchange(s, c, "end 0 0", "end reason 0 stop 0")
        s.expect("-- game closed by a game end, result 2-0 (illegal move)")
        s.expect("-- game written to " + self.server_args[1])
        c.expect("-- game closed by a game end, result 2-0 (illegal move)")
        self.assertTrue(c.next_line().startswith("!! could not write the game to "))
        (tags, moves, comments), = pdn_games(self.server_args[1])
        self.assertEqual((tags["White"], tags["Black"], tags["Result"]), ("Alice", "Bob", "2-0"))
        self.assertEqual(tags["Termination"], "illegal move")
        self.assertEqual(moves, ["32-28", "19-23", "28x19"])
        self.assertEqual(comments, [flagged[3:]])
        self.assertEqual(run("pdn", self.server_args[1]).returncode, 0)
        s.close_input()
        self.assertEqual(s.exit_code(), 0)


class BridgeTest(unittest.TestCase):
    def test_bridge_relays_both_ways_flags_and_records(self):
        pdn = os.path.join(SCRATCH.name, "bridge.pdn")
        near, far = str(free_port()), str(free_port())
        right = Peer("listen", "--port", far, "--timeout", str(PATIENCE))
        self.addCleanup(right.stop)
        right.next_line()
        bridge = Peer("bridge", "listen:" + near, "connect:127.0.0.1:" + far, "--pdn", pdn,
                      "--timeout", str(PATIENCE), "--retry", str(PATIENCE))
        self.addCleanup(bridge.stop)
        left = Peer("connect", "127.0.0.1", "--port", near, "--retry", str(PATIENCE), "--allow-illegal")
        self.addCleanup(left.stop)
        bridge.expect("-- opening A, listen:" + near)
        bridge.next_line()
        bridge.expect("-- a peer connected on port %s (IPv4)" % near)
        bridge.expect("-- opening B, connect:127.0.0.1:" + far)
        bridge.expect("-- connected to 127.0.0.1 port %s (IPv4)" % far)
        left.expect("-- connected to 127.0.0.1 port %s (IPv4)" % near)
        right.expect("-- a peer connected on port %s (IPv4)" % far)

        def relay(sender, receiver, command, shown, arrow, verdict=""):
            sender.send(command)
            sender.expect("-> " + shown)
            bridge.expect(arrow + ": " + shown + verdict)
            receiver.expect("<- " + shown)

        relay(left, right, "request Alice W 5 75",
              'request "Alice" colour W time 5 moves 75 version 1 initial position', "A -> B")
        relay(right, left, "accept Bob 0", 'accept "Bob" code 0', "B -> A")
        for peer in (bridge, left, right):
            peer.expect("-- following the game: W Alice, Z Bob, W to move")
        relay(left, right, "move 0 32-28", "move 32-28 time 0", "A -> B", " (legal)")
        relay(right, left, "move 0 19-23", "move 19-23 time 0", "B -> A", " (legal)")
        relay(left, right, "move 0 28-22", "move 28-22 time 0", "A -> B", " (illegal)")
        for peer in (bridge, right, left):
            peer.expect("!! illegal move by W: 28-22 leaves a compulsory capture 28x19")
            peer.expect("-- game over: illegal move; Z wins, 0-2")
        left.close_input()
        bridge.expect("-- connection lost on A: the bridge ends")
        bridge.expect("-- game closed by a lost link on A, result 0-2 (illegal move)")
        self.assertEqual(bridge.exit_code(), 0)
        self.assertEqual(right.exit_code(), 3)
        (tags, moves, comments), = pdn_games(pdn)
        self.assertEqual((tags["White"], tags["Black"], tags["Result"]), ("Alice", "Bob", "0-2"))
        self.assertEqual(moves, ["32-28", "19-23"])
        self.assertEqual(comments, ["illegal move by W: 28-22 leaves a compulsory capture 28x19"])
        self.assertEqual(run("pdn", pdn).returncode, 0)


class EndCodesTest(LinkedPair):
    """--end-codes: kvnlink's opt-in meaning for a game end's reason; a lost link is recorded as such."""
    server_args = ("--end-codes", "0=draw,1=resign", "--pdn", os.path.join(SCRATCH.name, "end-codes.pdn"))

    def start_game(self):
        s, c = self.server, self.client
        self.exchange(s, c, "request Alice W 5 75", 'request "Alice" colour W time 5 moves 75 version 1 initial position')
        self.exchange(c, s, "accept Bob 0", 'accept "Bob" code 0')
        for peer in (s, c):
            peer.expect("-- following the game: W Alice, Z Bob, W to move")
        self.exchange(s, c, "move 0 32-28", "move 32-28 time 0")

    def test_resign_then_a_lost_link_recorded_and_read_back(self):
        s, c = self.server, self.client
        self.start_game()
        self.exchange(c, s, "end 1 0", "end reason 1 stop 0")
        s.expect("-- game over: game end message (reason 1 from Z: resign); W wins, 2-0")
        s.expect("-- game closed by a game end, result 2-0 (game end message)")
        s.expect("-- game written to " + self.server_args[-1])
        c.expect("-- game closed by a game end, result * (game end message)")  # no convention on this side
        self.start_game()
        c.process.kill()
        s.expect("-- connection lost: the peer went away")
        s.expect("-- game closed by a lost link, result * (lost link)")
        self.assertEqual(s.exit_code(), 3)
        games = pdn_games(self.server_args[-1])
        self.assertEqual([(t["Result"], t["Termination"]) for t, _, _ in games],
                         [("2-0", "game end message"), ("*", "lost link")])
        read = run("pdn", "--json", self.server_args[-1])
        self.assertEqual(read.returncode, 0, read.stdout)
        self.assertEqual([(g["legal"], g["agrees"], g["ending"], g["result_by_rules"], g["plies"])
                          for g in map(json.loads, read.stdout.splitlines())],
                         [(True, True, "game end message", "2-0", 1), (True, True, "lost link", "*", 1)])


class PdnTest(unittest.TestCase):
    GAMES = ('[Event "wins"]\n[FEN "W:W28:B23"]\n[Result "2-0"]\n1. 28x19 2-0\n\n'
             '[Event "illegal"]\n[Result "*"]\n1. 32-28 19-23 2. 28-22 *\n\n'
             '[Event "disagrees"]\n[Result "2-0"]\n1. 32-28 2-0\n')

    def write(self, name, text):
        path = os.path.join(SCRATCH.name, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def test_replays_each_game_and_says_what_is_wrong(self):
        path = self.write("three.pdn", self.GAMES)
        result = run("pdn", "--json", path)
        self.assertEqual(result.returncode, 1)
        games = [json.loads(line) for line in result.stdout.splitlines()]
        self.assertEqual(games[0], dict(game=1, plies=1, legal=True, first_illegal=None, result_tag="2-0",
                                        result_by_rules="2-0", ending="no legal move", agrees=True,
                                        final_fen="B:W19:B"))
        self.assertEqual((games[1]["legal"], games[1]["first_illegal"]),
                         (False, "line 8, ply 3: '28-22' is no legal move"))
        self.assertEqual((games[2]["legal"], games[2]["agrees"], games[2]["result_by_rules"]), (True, False, "*"))
        readable = run("pdn", path)
        self.assertEqual(readable.returncode, 1)
        self.assertEqual(readable.stdout.splitlines()[-1], "games 3: 1 legal and agreeing, 2 not")
        self.assertEqual(run("pdn", self.write("one.pdn", self.GAMES.split("\n\n")[0])).returncode, 0)

    def test_unreadable_files_exit_2(self):
        for path, why in [(SCRATCH.name, "is a directory"), (os.path.join(SCRATCH.name, "none.pdn"), "cannot be read"),
                          (self.write("open.pdn", '[Event "a"]\n1. 32-28 {open\n'), "line 2: a comment is not closed"),
                          (self.write("empty.pdn", ""), "holds no game")]:
            with self.subTest(path=path):
                result = run("pdn", path)
                self.assertEqual((result.returncode, result.stdout), (2, ""))
                self.assertEqual(result.stderr, "kvnlink pdn: %s: %s\n" % (path, why))


class SparringTest(unittest.TestCase):
    def test_two_seeded_partners_play_a_whole_game(self):
        port = str(free_port())
        files = [os.path.join(SCRATCH.name, name) for name in ("white.pdn", "black.pdn")]
        white = Peer("listen", "--port", port, "--timeout", str(PATIENCE), "--auto", "--seed", "2914",
                     "--request", "Alice W 5 75", "--pdn", files[0], "--json")
        self.addCleanup(white.stop)
        black = Peer("connect", "127.0.0.1", "--port", port, "--retry", str(PATIENCE), "--auto", "--seed", "3914",
                     "--pdn", files[1])
        self.addCleanup(black.stop)
        self.assertEqual(black.exit_code(), 0)
        self.assertEqual(white.exit_code(), 0)
        black_lines = []
        while (line := black.lines.get(timeout=PATIENCE)) is not None:
            black_lines.append(line)
        objects = []
        while (line := white.lines.get(timeout=PATIENCE)) is not None:
            objects.append(json.loads(line))
        over = [o for o in objects if o["kind"] == "game_over"]
        self.assertEqual(len(over), 1, objects[-5:])
        self.assertEqual((over[0]["ending"], over[0]["reason"]), ("no legal move", "W has no legal move"))
        self.assertFalse(any(l.startswith("!!") for l in black_lines), black_lines)
        with open(files[0]) as a, open(files[1]) as b:
            self.assertEqual(a.read(), b.read())
        (tags, moves, comments), = pdn_games(files[0])
        self.assertEqual((tags["White"], tags["Black"], tags["Result"]), ("Alice", "kvnlink", over[0]["result"]))
        played = [shown_move(l) for l in black_lines if l.startswith(("-> move", "<- move"))]
        self.assertEqual(moves, played)
        self.assertEqual(len(moves), 46)  # what seeds 2914 and 3914 play
        self.assertEqual(comments, [])


class CommandLineTest(unittest.TestCase):
    def test_bad_command_lines_exit_2_with_usage(self):
        for args in [[], ["frobnicate"], ["connect"], ["connect", "a", "b"], ["listen", "somehost"],
                     ["listen", "--port", "0"], ["listen", "--port", "65536"], ["listen", "--port", "x"],
                     ["listen", "--port"], ["listen", "--retry", "1"], ["connect", "127.0.0.1", "--timeout", "1"],
                     ["listen", "--timeout", "-1"], ["serial"], ["serial", "0"], ["serial", "10"],
                     ["serial", "1", "--ipv6"], ["demo", "extra"], ["decode"], ["decode", "a", "b"],
                     ["encode"], ["encode", "move", "15", "99", "1"], ["encode", "dance"],
                     ["listen", "--seed", "1"], ["listen", "--request", "A W 5 75"], ["listen", "--auto", "--seed", "x"],
                     ["connect", "h", "--auto", "--request", "A Q 5 75"], ["serial", "1", "--auto"], ["listen", "--pdn"],
                     ["demo", "--seed", "-1"], ["bridge"], ["bridge", "listen:1"], ["bridge", "listen:0", "serial:1"],
                     ["bridge", "tcp:1", "serial:1"], ["bridge", "connect:h", "serial:1"], ["bridge", "serial:1", "serial:1"],
                     ["bridge", "listen:1", "serial:2", "--auto"], ["listen", "--end-codes", "4=draw"],
                     ["serial", "1", "--end-codes", "0=resign,0=draw"], ["connect", "h", "--end-codes", ""],
                     ["bridge", "listen:1", "serial:2", "--end-codes", "0=drew"], ["demo", "--end-codes", "0=draw"],
                     ["pdn"], ["pdn", "a", "b"], ["pdn", "a", "--divide"]]:
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, "")
                self.assertTrue(result.stderr.startswith("kvnlink"), result.stderr)

    def test_nobody_listening(self):
        for args in [["connect", "127.0.0.1", "--port", str(free_port())],
                     ["bridge", "connect:127.0.0.1:%d" % free_port(), "listen:%d" % free_port()]]:
            result = run(*args)
            self.assertEqual(result.returncode, 1)
            self.assertIn("failed: code -3, refused or unreachable", result.stdout)

    def test_listen_gives_up_after_its_timeout(self):
        result = run("listen", "--port", str(free_port()), "--timeout", "1")
        self.assertEqual(result.returncode, 1)
        self.assertIn("failed: code -1, no peer connected", result.stdout)

    def test_unknown_host(self):
        result = run("connect", "no-such-host.invalid", "--port", str(free_port()))
        self.assertEqual(result.returncode, 1)
        self.assertIn("code -10", result.stdout)


class DemoTest(unittest.TestCase):
    def test_demo_plays_a_whole_game(self):
        pdn = os.path.join(SCRATCH.name, "demo.pdn")
        result = run("demo", "--port", str(free_port()), "--pdn", pdn)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[-1], "-- every message arrived as sent")
        sent = [l.split(" -> ", 1)[1] for l in lines if " -> " in l]
        received = [l.split(" <- ", 1)[1] for l in lines if " <- " in l]
        self.assertEqual(sent, received)
        self.assertEqual([line.split()[0] for line in sent[:2]] + [sent[-1].split()[0]], ["request", "accept", "end"])
        over = [l for l in lines if l.startswith("-- game over: ")]
        self.assertEqual(over, ["-- game over: no legal move (W has no legal move); Z wins, 0-2"])
        self.assertTrue(sum(1 for l in lines if l.startswith("     +---")) >= 4)  # boards on the way and at the end
        (tags, moves, comments), = pdn_games(pdn)
        self.assertEqual(moves, [shown_move("-> " + l.split(" -> ", 1)[1]) for l in lines if " -> move" in l])
        self.assertEqual((tags["Result"], tags["Termination"]), ("0-2", "no legal move"))
        read = run("pdn", "--json", pdn)
        self.assertEqual(read.returncode, 0, read.stdout)
        self.assertEqual(json.loads(read.stdout)["plies"], len(moves))


class CodecTest(unittest.TestCase):
    # (encode words, wire text, decoded line)
    CASES = [
        (["request", "Alice", "W", "5", "75"], "R01Alice" + " " * 27 + "W005075A",
         'request "Alice" colour W time 5 moves 75 version 1 initial position'),
        (["request", "A Name With Spaces", "Z", "999", "0", "Z", AFTER_32_28],
         "R01A Name With Spaces" + " " * 14 + "Z999000BZ" + AFTER_32_28,
         'request "A Name With Spaces" colour Z time 999 moves 0 version 1 position Z to move'),
        (["accept", "Bob", "2"], "ABob" + " " * 29 + "2", 'accept "Bob" code 2'),
        (["move", "15", "32-28"], "M0015322800", "move 32-28 time 15"),
        (["move", "15", "32", "28"], "M0015322800", "move 32-28 time 15"),
        (["move", "30", "28x19", "23"], "M0030281901" + "23", "move 28-19 x23 time 30"),
        (["move", "7", "1", "50", "2,3", "x4"], "M0007015003020304", "move 1-50 x2,3,4 time 7"),
        (["end", "1", "0"], "E10", "end reason 1 stop 0"),
        (["chat", "hello", "world"], "Chello world", 'chat "hello world"'),
        (["back", "12", "Z"], "B012Z", "back move 12 side Z"),
        (["backaccept", "0"], "K0", "backaccept code 0"),
        (["raw", "K2"], "K2", "backaccept code 2"),
    ]

    def test_encode_and_decode_every_kind(self):
        for words, wire, shown in self.CASES:
            with self.subTest(words=words):
                encoded = run("encode", *words)
                self.assertEqual(encoded.returncode, 0, encoded.stderr)
                self.assertEqual(encoded.stdout, wire + "\n")
                decoded = run("decode", wire)
                self.assertEqual(decoded.returncode, 0)
                self.assertEqual(decoded.stdout.splitlines()[0], shown)
                # --json of both directions agrees, and carries the wire text.
                as_encoded = json.loads(run("encode", *words, "--json").stdout)
                as_decoded = json.loads(run("decode", "--json", wire).stdout)
                self.assertEqual(as_encoded, as_decoded)
                self.assertEqual(as_decoded["wire"], wire)

    def test_decode_draws_the_board_of_a_request(self):
        lines = run("decode", "R01Alice" + " " * 27 + "W005075A").stdout.splitlines()
        self.assertEqual(len(lines), 14)
        self.assertEqual(lines[1], "     +---------------------+")
        self.assertEqual(lines[2], "     |   z   z   z   z   z |     1   2   3   4   5")

    def test_decode_shows_what_the_library_would_hand_over(self):
        for wire, shown in [("E41", "end reason 0 stop 1"), ("m0015322800", "unknown"), ("", "unknown"),
                            ("M0015005100", "move 0-0 time 15"), ("K5", "backaccept code 1"),
                            ("B0", "back move 1 side \\x00"), ("C", 'chat ""'), ("C ", 'chat " "')]:
            with self.subTest(wire=wire):
                self.assertEqual(run("decode", wire).stdout, shown + "\n")

    def test_decode_json_fields(self):
        # One capture announced, its pair missing: the entry reads as 0.
        self.assertEqual(json.loads(run("decode", "M0030281901", "--json").stdout),
                         dict(kind="move", time=30, from_square=28, to_square=19, capture_count=1, captured=[0],
                              wire="M0030281901"))
        self.assertEqual(json.loads(run("decode", "B0", "--json").stdout),
                         dict(kind="back", move_number=1, side_to_move="", wire="B0"))

class HelpTest(unittest.TestCase):
    """`kvnlink help` is made from the table of subcommands; the man page and docs/kvnlink.md must keep up with it."""
    HERE = os.path.dirname(os.path.abspath(__file__))
    MAN = os.path.join(HERE, "..", "..", "tools", "kvnlink", "kvnlink.1")
    DOCS = os.path.join(HERE, "..", "..", "docs", "kvnlink.md")

    def test_man_page_and_docs_name_every_subcommand_and_option(self):
        listing = run("help")
        self.assertEqual(listing.returncode, 0, listing.stderr)
        names = re.findall(r"^  (\w+) ", listing.stdout.split("Subcommands:", 1)[1], re.M)
        self.assertIn("listen", names)
        man = open(self.MAN).read().replace("\\-", "-")
        docs = open(self.DOCS).read()
        self.assertEqual(run("listen", "--help").stdout, run("help", "listen").stdout)
        for name in names:
            text = run("help", name).stdout
            for word in ["kvnlink " + name] + re.findall(r"--[a-z][a-z0-9-]*", text + listing.stdout):
                with self.subTest(subcommand=name, word=word):
                    self.assertIn(word.replace("kvnlink ", ".B kvnlink "), man)
                    self.assertIn(word, docs)


class BoardTest(unittest.TestCase):
    SVG = "{http://www.w3.org/2000/svg}"

    def picture(self, *args):
        path = os.path.join(SCRATCH.name, "board.svg")
        result = run("board", *args, "--svg", path)
        self.assertEqual(result.returncode, 0, result.stderr)
        root = ElementTree.parse(path).getroot()
        dark = [e for e in root.iter(self.SVG + "rect") if e.get("class") == "dark"]
        self.assertEqual(sorted(int(e.get("data-square")) for e in dark), list(range(1, 51)))
        pieces = {int(g.get("data-square")): g.get("class") for g in root.iter(self.SVG + "g")
                  if (g.get("class") or "").startswith("piece")}
        return root, dark, pieces

    def test_diagrams_from_fen_and_from_a_game_and_what_is_refused(self):
        _, dark, pieces = self.picture("--fen", "B:WK1,33:B7,K50", "--numbers")
        self.assertEqual(pieces, {1: "piece white king", 33: "piece white man", 7: "piece black man",
                                  50: "piece black king"})
        place = {int(e.get("data-square")): (e.get("x"), e.get("y")) for e in dark}
        _, turned, _ = self.picture("--fen", "B:WK1,33:B7,K50", "--black-below")
        # Turned round, square N stands where square 51-N stood.
        self.assertEqual({int(e.get("data-square")): (e.get("x"), e.get("y")) for e in turned},
                         {51 - n: xy for n, xy in place.items()})
        pdn = os.path.join(SCRATCH.name, "board.pdn")
        with open(pdn, "w") as f:
            f.write('[Result "*"]\n1. 32-28 19-23 2. 28x19 14x23 *\n')
        _, dark, pieces = self.picture("--pdn", pdn, "--ply", "3")
        self.assertEqual((19 in pieces, 23 in pieces, 28 in pieces, 14 in pieces), (True, False, False, True))
        tinted = {e.get("data-square") for e in dark if e.get("fill") != dark[1].get("fill")}
        self.assertEqual(tinted, {"19", "28"})
        text = run("board", "--pdn", pdn)
        squares = lambda *ranges: ",".join(str(n) for r in ranges for n in r)
        self.assertEqual(text.stdout.splitlines()[-1],
                         "W:W%s:B%s" % (squares([31], range(33, 51)), squares(range(1, 14), range(15, 19), [20, 23])))
        for args in [[], ["--fen", "W:W31:B1", "--pdn", pdn], ["--ply", "1", "--fen", "W:W31:B1"], ["--fen", "X"],
                     ["--pdn", pdn, "--game", "2"], ["--pdn", pdn, "--ply", "5"], ["--pdn", SCRATCH.name],
                     ["--fen", "W:W31:B1", "--svg", os.path.join(SCRATCH.name, "no", "such.svg")]]:
            with self.subTest(args=args):
                result = run("board", *args)
                self.assertEqual(result.returncode, 2, result.stdout + result.stderr)
                self.assertTrue(result.stderr.startswith("kvnlink"), result.stderr)


class PerftTest(unittest.TestCase):
    def test_perft_from_the_start_and_divided_from_a_fen(self):
        result = run("perft", "6")
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "fen W:W" + ",".join(map(str, range(31, 51))) + ":B" + ",".join(map(str, range(1, 21))))
        self.assertTrue(lines[-2].startswith("time "), lines)
        self.assertEqual(lines[-1], "perft 6 = 167140")
        # Only the longer of the two captures is legal.
        lines = run("perft", "--divide", "1", "--fen", "W:W32,33:B17,28").stdout.splitlines()
        self.assertEqual(lines[1:3], ["33x11    1", "moves 1"])
        self.assertEqual(lines[-1], "perft 1 = 1")
        # Two pairs of captures share their from and to squares: each line shows its full path.
        lines = run("perft", "--divide", "1", "--fen", "W:WK16:B13,21,23,34").stdout.splitlines()
        self.assertEqual(lines[1:6], ["16x32x19x2 1", "16x43x30x2 1", "16x32x19x8 1", "16x43x30x8 1", "moves 4"])

    def test_bad_perft_arguments_exit_2(self):
        for args in [[], ["x"], ["-1"], ["21"], ["2.5"], ["3", "4"], ["3", "--fen"], ["3", "--fen", "W:W99"],
                     ["3", "--fen", "nonsense"], ["3", "--json"]]:
            with self.subTest(args=args):
                result = run("perft", *args)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, "")
                self.assertTrue(result.stderr.startswith("kvnlink"), result.stderr)


# A misbehaving engine for MatchTest, speaking the wire protocol over a plain socket (each text
# followed by one 0x00 byte).  Its first process plays badly by colour: as white it answers
# the request with an illegal move, as black it leaves once the first move has come; the
# process started after that accepts and never moves.
MISBEHAVING_ENGINE = r"""
import os, socket, sys
port, counter, accept, illegal = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
with open(counter, "a+") as f:
    f.write("x")
    f.seek(0)
    process = len(f.read())
s = socket.create_connection(("127.0.0.1", int(port)))
send = lambda text: s.sendall(text.encode() + b"\0")
buffered = b""
while True:
    data = s.recv(4096)
    if not data:
        sys.exit(0)
    buffered += data
    while b"\0" in buffered:
        text, buffered = buffered.split(b"\0", 1)
        text = text.decode()
        if text.startswith("R"):
            # The request names the arbiter's colour; this engine plays the other.
            white = text[35] == "Z"
            send(accept)
            if process == 1 and white:
                send(illegal)
        elif text.startswith("M") and process == 1:
            os._exit(0)
"""


class MatchTest(unittest.TestCase):
    GAME = re.compile(r"^game (\d+)/(\d+): (\w+)-(\w+) (2-0|0-2|1-1) \((.+)\), (\d+) plies$")

    def sparring(self, *extra):
        return "cmd:%s connect 127.0.0.1 --port {port} --auto --seed {seed} %s" % (KVNLINK, " ".join(extra))

    def match(self, *args):
        result = subprocess.run([KVNLINK, "match", *args], capture_output=True, text=True, timeout=90)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        return result.stdout.splitlines()

    def test_sparring_partners_in_two_lanes(self):
        pdn = os.path.join(SCRATCH.name, "match.pdn")
        starts = os.path.join(SCRATCH.name, "b-starts")
        counted = 'cmd:sh -c "echo >> %s; exec %s"' % (starts, self.sparring()[len("cmd:"):])
        lines = self.match("--engine", "A=" + self.sparring("--depth 1"), "--engine", "B=" + counted,
                           "--games", "4", "--concurrency", "2", "--max-plies", "40", "--seed", "11",
                           "--random-openings", "2", "--pdn", pdn)
        self.assertEqual(lines[0], "match A vs B: 4 games, 2 lane(s), 2 opening(s), seed 11")
        games = [self.GAME.match(l) for l in lines if l.startswith("game ")]
        self.assertTrue(all(games), lines)
        self.assertEqual(sorted(int(g.group(1)) for g in games), [1, 2, 3, 4])
        for g in games:
            # The first game of each pair has A white, the second B.
            self.assertEqual(g.group(3), "A" if int(g.group(1)) % 2 == 1 else "B")
            self.assertLessEqual(int(g.group(7)), 40)
        self.assertEqual(len([l for l in lines if l.startswith("score A: ")]), 4)
        points = {"2-0": (2, 0), "0-2": (0, 2), "1-1": (1, 1)}
        a_half = sum(points[g.group(5)][0 if g.group(3) == "A" else 1] for g in games)
        table = {l.split()[0]: l.split()[1:] for l in lines if re.match(r"^[AB] +\d", l)}
        w, d, l = map(int, table["A"][:3])
        self.assertEqual((w + d + l, 2 * w + d), (4, a_half))
        self.assertEqual(table["B"][:3], [str(l), str(d), str(w)])
        self.assertEqual(lines[-2], "SPRT: no test")
        self.assertRegex(lines[-1], r"^match: A vs B: W-D-L %d-%d-%d, score [01]\.\d{3}, elo [-+](\d+\.\d|inf) \+/- (\d+\.\d|inf), "
                         r"los \d+\.\d%%$" % (w, d, l))
        records = pdn_games(pdn)
        self.assertEqual(sorted(t["Round"] for t, _, _ in records), ["1.1", "1.2", "2.1", "2.2"])  # pair.game
        with open(pdn) as f:  # each move's thinking time follows it
            self.assertEqual(len(re.findall(r"\{\[%emt \d+:\d\d:\d\d\.\d{3}\]\}", f.read())),
                             sum(int(g.group(7)) for g in games))
        by_round = {int(g.group(1)): g for g in games}
        for tags, moves, _ in records:
            pair, game = map(int, tags["Round"].split("."))
            g = by_round[2 * pair - 2 + game]
            self.assertEqual((tags["Event"], tags["White"], tags["Black"], tags["Result"]),
                             ("kvnlink match", g.group(3), g.group(4), g.group(5)))
            self.assertIn(tags["Termination"], ("no legal move",) if g.group(5) != "1-1" else
                          ("adjudicated at max plies", "threefold repetition", "16-move rule", "5-move rule", "25-move rule"))
            self.assertEqual(len(moves), int(g.group(7)))
        with open(starts) as f:  # a partner stays linked for game after game: one start per lane
            self.assertEqual(len(f.readlines()), 2)

    def test_illegal_move_lost_link_and_time_out_are_judged_and_the_match_goes_on(self):
        script = os.path.join(SCRATCH.name, "misbehaving.py")
        counter = os.path.join(SCRATCH.name, "processes")
        with open(script, "w") as f:
            f.write(MISBEHAVING_ENGINE)
        accept, illegal = run("encode", "accept", "helper", "0").stdout.strip(), run("encode", "move", "0", "1-50").stdout.strip()
        helper = 'cmd:%s %s {port} %s "%s" %s' % (sys.executable, script, counter, accept, illegal)
        lines = self.match("--engine", "X=" + helper, "--engine", "K=" + self.sparring(), "--games", "3",
                           "--time", "0.02", "--timeout", "20", "--seed", "5", "--json")
        events = [json.loads(l) for l in lines]
        games = sorted((e for e in events if e["kind"] == "game"), key=lambda e: e["game"])
        self.assertEqual([(g["white"], g["black"], g["result"]) for g in games],
                         [("X", "K", "0-2"), ("K", "X", "2-0"), ("X", "K", "0-2")])
        self.assertTrue(games[0]["ending"].startswith("W made an illegal move: 1-50 "), games[0])
        self.assertEqual(games[1]["ending"], "Z lost its link")
        self.assertEqual(games[2]["ending"], "W ran out of time")
        self.assertLessEqual(games[2]["white_ms"], 0)
        with open(counter) as f:
            self.assertEqual(f.read(), "xx")  # restarted once, after the lost link
        results = events[-1]
        self.assertEqual((results["kind"], results["first"]["losses"], results["second"]["wins"]), ("results", 3, 3))

    def test_ctrl_c_finishes_the_games_in_progress_and_starts_no_more(self):
        pdn = os.path.join(SCRATCH.name, "interrupted.pdn")
        # Its own session, so that the Ctrl-C below reaches every process of the match, as at a terminal.
        match = subprocess.Popen([KVNLINK, "match", "--engine", "A=" + self.sparring("--depth 1"), "--engine",
                                  "B=" + self.sparring(), "--games", "200", "--concurrency", "2", "--max-plies", "60",
                                  "--seed", "4", "--pdn", pdn], stdout=subprocess.PIPE, text=True, start_new_session=True)
        lines = []
        try:
            for line in match.stdout:
                lines.append(line.rstrip("\n"))
                if line.startswith("game "):
                    os.killpg(match.pid, signal.SIGINT)
                    break
            lines += match.stdout.read().splitlines()
            self.assertEqual(match.wait(timeout=60), 130, lines)
        finally:
            match.kill()
            match.wait()
        notice = lines.index("-- interrupted: the games in progress are finished and counted, no new game starts "
                             "(Ctrl-C again ends kvnlink at once)")
        played = [l for l in lines if l.startswith("game ")]
        # After the notice, only the games then in the two lanes finish.
        self.assertLessEqual(len([l for l in lines[notice:] if l.startswith("game ")]), 2, lines)
        self.assertLess(len(played), 20, lines)
        self.assertIn("results after %d of 200 games:" % len(played), lines)
        self.assertEqual(len(pdn_games(pdn)), len(played))

    def test_a_live_page_that_cannot_be_served_stops_kvnlink_before_it_starts(self):
        with socket.socket() as taken:
            taken.bind(("127.0.0.1", 0))
            taken.listen()
            port = str(taken.getsockname()[1])
            engines = ["--engine", "A=" + self.sparring(), "--engine", "B=" + self.sparring()]
            for args in [["match", *engines, "--http", port], ["match", *engines, "--http", "1", "--http-host", "nowhere.invalid"],
                         ["listen", "--port", str(free_port()), "--http", port], ["bridge", "listen:1", "listen:2", "--http", port]]:
                with self.subTest(args=args):
                    result = run(*args)
                    self.assertEqual(result.returncode, 2, result.stdout + result.stderr)
                    # A build without the page says so the same way.
                    self.assertRegex(result.stdout, r"^!! (cannot serve the live page on .+: (the port is in use|"
                                                    r"nowhere.invalid is no address of this machine)|the live page "
                                                    r"\(--http\) is not available in this build of kvnlink)\n$")

    def test_bad_match_command_lines_exit_2(self):
        for args in [[], ["--engine", "A=cmd:x {port}"], ["--engine", "A=nowhere", "--engine", "B=listen:1"],
                     ["--engine", "A=cmd:x", "--engine", "B=cmd:y {port}"], ["--engine", "A=listen:9", "--engine", "A=listen:8"],
                     ["--engine", "A=listen:9", "--engine", "B=listen:8", "--concurrency", "2"],
                     ["--engine", "A=listen:9", "--engine", "B=listen:8", "--time", "x"],
                     ["--engine", "A=listen:9", "--engine", "B=listen:8", "--sprt", "elo0=5 elo1=0"]]:
            with self.subTest(args=args):
                result = run("match", *args)
                self.assertEqual(result.returncode, 2, result.stdout + result.stderr)
                self.assertTrue(result.stderr.startswith("kvnlink: "), result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
