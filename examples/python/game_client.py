#!/usr/bin/python3
"""game_client.py - plays the client's side of the example game with the kvn package.

Run game_server (examples/c) first, then:

    python3 game_client.py [host] [port]        (127.0.0.1 and 27531 by default)

It is the same game as examples/c/game_client.c, message by message: on its
turn it sends, otherwise it waits for the server's message and checks it.
What the numbers mean (a move's time, the accept and end codes) is agreed
between the two programs; the library only carries them.  Exit status 0
when the whole game went as planned.
"""
import sys

import kvn

CLIENT, SERVER = "client", "server"
SCRIPT = [
    (CLIENT, kvn.GameRequest("Client", "W", 10, 75)),
    (SERVER, kvn.GameAccept("Server", 0)),
    (CLIENT, kvn.Move(time=3, from_square=32, to_square=28)),
    (SERVER, kvn.Move(time=4, from_square=19, to_square=23)),
    (CLIENT, kvn.Move(time=9, from_square=28, to_square=19, captured=[23])),
    (SERVER, kvn.Move(time=12, from_square=14, to_square=23, captured=[19])),
    (CLIENT, kvn.Chat("an even exchange; shall we stop here?")),
    (SERVER, kvn.Chat("agreed, thank you for the game")),
    (CLIENT, kvn.GameEnd(reason=0, stop_code=0)),
]


def main() -> int:
    host = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1"
    port = int(sys.argv[2]) if len(sys.argv) > 2 else kvn.DEFAULT_PORT
    # retry: the server may not be listening yet.
    with kvn.Link.connect(host, port, retry=30) as link:
        print("client: connected")
        for sender, message in SCRIPT:
            if sender == CLIENT:
                link.send(message)
                print("client sent", message)
                continue
            try:
                got = link.receive(timeout=30)
            except (kvn.LinkLost, TimeoutError) as why:
                print("client: the game stopped early:", why)
                return 1
            print("client received", got)
            if got != message:
                print("client: expected", message)
                return 1
    # Leaving the block disconnects, which first sends the game end still queued.
    print("client: game over")
    return 0


if __name__ == "__main__":
    sys.exit(main())
