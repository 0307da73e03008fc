#!/usr/bin/env python3
"""live_page_test.py - kvnlink match --http seen in headless Chromium: the board, the moves and
the standings follow the match without a reload, and the page finds the match again when
kvnlink is restarted on the same port.

Usage: KVNLINK=path/to/kvnlink live_page_test.py SCREENSHOT.png
Exit 77 (a skip) when Chromium, its driver, Selenium or kvnlink's live page is missing.
"""
import json
import os
import shutil
import socket
import subprocess
import sys
import time
import urllib.request

KVNLINK = os.environ.get("KVNLINK", "kvnlink")
SKIP = 77
PATIENCE = 60  # seconds for anything to show; the machine is small and shared

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    webdriver = None

# Every piece the page draws, board by board, and the version of the state drawn.
READ_PAGE = """
const boards = {};
for (const svg of document.querySelectorAll("svg.board")) {
  const letters = Array(50).fill("e");
  for (const p of svg.querySelectorAll(".piece")) {
    const white = p.classList.contains("white"), king = p.classList.contains("king");
    letters[p.dataset.square - 1] = white ? (king ? "W" : "w") : (king ? "Z" : "z");
  }
  boards[svg.dataset.board] = {squares: letters.join(""), dark: svg.querySelectorAll("rect.square").length};
}
return {version: Number(document.body.dataset.version || 0), boards: boards,
        moves: document.querySelectorAll(".moves li").length, match: document.getElementById("match").innerText,
        title: document.getElementById("title").textContent, link: document.getElementById("link").textContent,
        same_page: window.stillTheSamePage === true};
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def state(port):
    with urllib.request.urlopen("http://127.0.0.1:%d/state.json" % port, timeout=10) as r:
        return json.load(r)


def wait(what, condition):
    """The condition's value once it is true; fails after PATIENCE seconds."""
    deadline = time.monotonic() + PATIENCE
    while True:
        try:
            value = condition()
        except OSError:
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("waited %d s for %s" % (PATIENCE, what))
        time.sleep(0.05)  # a poll's pace, not a wait for something to happen


def start_match(port, first, second):
    engine = "cmd:%s connect 127.0.0.1 --port {port} --auto --seed {seed}" % KVNLINK
    match = subprocess.Popen([KVNLINK, "match", "--engine", first + "=" + engine + " --depth 1",
                              "--engine", second + "=" + engine, "--games", "1000", "--concurrency", "2",
                              "--random-openings", "4", "--max-plies", "200", "--time", "10", "--seed", "7",
                              "--http", str(port)],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    first_line = match.stdout.readline()
    if "not available in this build" in first_line:
        match.wait()
        print("SKIP: " + first_line.strip())
        sys.exit(SKIP)
    assert first_line.startswith("-- the live page is at http://127.0.0.1:%d/" % port), first_line
    return match


def browser():
    missing = [p for p in ("chromium", "chromedriver") if shutil.which(p) is None]
    if webdriver is None or missing:
        print("SKIP: the live page test needs chromium, chromium-driver and python3-selenium (missing: %s)"
              % ", ".join(missing + ([] if webdriver else ["selenium"])))
        sys.exit(SKIP)
    options = webdriver.ChromeOptions()
    for flag in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1000,1100"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def check_pieces(driver, port):
    """The pieces drawn are those of /state.json, read while the state stood still."""
    def agreed():
        before = state(port)
        page = driver.execute_script(READ_PAGE)
        after = state(port)
        if not (before["version"] == page["version"] == after["version"] and page["boards"]):
            return None
        return page, after
    page, json_state = wait("the page and /state.json at one version", agreed)
    for board in json_state["boards"]:
        if board.get("squares"):
            drawn = page["boards"][str(board["board"])]
            assert drawn["dark"] == 50, drawn
            assert drawn["squares"] == board["squares"], (drawn, board)


def main():
    screenshot = sys.argv[1]
    port = free_port()
    match = start_match(port, "A", "B")
    driver = browser()
    try:
        driver.get("http://127.0.0.1:%d/" % port)
        driver.execute_script("window.stillTheSamePage = true;")
        read = lambda: driver.execute_script(READ_PAGE)
        first = wait("a few moves on the page", lambda: (lambda p: p if p["moves"] >= 3 else None)(read()))
        check_pieces(driver, port)
        wait("more moves without a reload", lambda: read()["version"] > first["version"] + 5)
        wait("a finished game in the standings", lambda: "A vs B: 0 of" not in read()["match"])
        played = state(port)["match"]["played"]
        wait("the standings to move on", lambda: "A vs B: %d of" % played not in read()["match"])
        wait("a game well under way, for the picture", lambda: read()["moves"] >= 12)
        driver.save_screenshot(screenshot)

        match.terminate()
        match.wait(timeout=PATIENCE)
        wait("the page to see the server gone", lambda: read()["link"] != "live")
        match = start_match(port, "C", "D")
        wait("the new match on the same page", lambda: (lambda p: p["title"] == "C vs D" and p["boards"])(read()))
        check_pieces(driver, port)
        assert read()["same_page"], "the page was reloaded"
        print("ok: pieces, moves and standings followed the match; the page found it again after a restart")
        return 0
    finally:
        driver.quit()
        match.terminate()
        match.wait(timeout=PATIENCE)


if __name__ == "__main__":
    sys.exit(main())
