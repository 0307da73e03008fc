#!/usr/bin/python3
"""play_against_kvnlink.py - runs the Win32 window host under Wine against kvnlink listening natively.

Usage: play_against_kvnlink.py PORT KVNLINK_COMMAND... -- HOST_COMMAND...
       (each command as it is run: kvnlink.exe under Wine, or a native kvnlink)

kvnlink answers as a person at its keyboard would: it accepts the game
request and answers the host's first move; the host then ends the game and
leaves.  Exit status 0 when both sides saw the whole game.
"""
import json
import subprocess
import sys
import threading

PATIENCE = 60  # seconds for the whole game


def main():
    port, rest = sys.argv[1], sys.argv[2:]
    kvnlink, host_command = rest[:rest.index("--")], rest[rest.index("--") + 1:]
    peer = subprocess.Popen(kvnlink + ["listen", "--port", port, "--timeout", str(PATIENCE), "--json"],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    # The host starts once kvnlink listens: its connects then meet a listener
    # that is up, not one kvnlink is still setting up (a Wine program starts slowly).
    first = peer.stdout.readline()
    if '"waiting"' not in first:
        print("kvnlink did not start listening:", first)
        peer.kill()
        return 1
    host = subprocess.Popen(host_command + ["127.0.0.1", port], stdout=subprocess.PIPE, text=True)
    host_lines = []
    reader = threading.Thread(target=lambda: host_lines.extend(host.stdout), daemon=True)
    reader.start()
    timer = threading.Timer(PATIENCE, lambda: (peer.kill(), host.kill()))
    timer.start()

    answers = {"request": "accept Kvnlink 0\n", "move": "move 4 19-23\n"}
    seen = []
    for line in peer.stdout:
        event = json.loads(line)
        if event.get("direction") != "received":
            continue
        seen.append(event["kind"])
        print("kvnlink received", event["kind"])
        if event["kind"] in answers:
            peer.stdin.write(answers.pop(event["kind"]))
            peer.stdin.flush()
        if event["kind"] == "end":
            break
    peer.stdin.close()
    host_status = host.wait()
    peer.wait()
    timer.cancel()
    reader.join(5)
    print("".join(host_lines), end="")
    ok = seen == ["request", "move", "end"] and host_status == 0 and "game over\n" in host_lines
    print("kvnlink saw", seen, "- window host exit status", host_status)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
