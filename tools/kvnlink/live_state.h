// live_state.h - what the live page shows, shared between the threads that referee games and
// the page's server: the game threads only publish into it, and never wait for a viewer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "json_line.h"

namespace kvnlink {

// A move as the page shows it: its PDN text, its squares, and the position it reached.
struct LiveMove {
    std::string notation; // "32-28", "19x28"
    int from = 0, to = 0;
    std::string fen;
    long white_ms = -1, black_ms = -1; // time left; -1 where kvnlink keeps no clocks
};

// The page's whole state as one JSON object; every change raises its version and wakes the
// viewers.  A board is a place where games follow one another: a lane of a match, or the
// one link (or bridge) of the other subcommands.
class LiveState {
public:
    // `kind`: the subcommand ("match", "bridge", "listen", "connect"); `title`: the page's heading.
    LiveState(const std::string &kind, const std::string &title);

    // `fen`: the start; `heading`: e.g. "game 3 of 20"; `clock_ms`: each side's time at the
    // start, -1 for a game without clocks.
    void game_started(int board, const std::string &heading, const std::string &white, const std::string &black,
                      const std::string &fen, long clock_ms);
    void moved(int board, const LiveMove &move);
    // A referee's word about the game on `board`: an illegal move, a stop of the following.
    void verdict(int board, const std::string &text);
    // `result` "2-0", "0-2", "1-1" or "*" (unfinished); `how` says how it ended.
    void game_over(int board, const std::string &result, const std::string &how);
    // The match's own part: standings, Elo line, SPRT state (see match_runner.cpp); the
    // fields given replace those of the same name.
    void set_match(const Json &match);

    // The state as JSON text, and its version.
    std::string snapshot(std::uint64_t &version) const;
    // Waits up to `timeout` for a version newer than `seen`; false on time-out or once closed.
    bool wait_newer(std::uint64_t seen, std::chrono::milliseconds timeout) const;
    // Wakes every waiting viewer for good: the server is going away.
    void close();
    bool closed() const;

private:
    Json &board(int index); // under the lock; made when first used
    void publish();         // under the lock: a new version, and the viewers woken

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Json state_;
    std::uint64_t version_ = 1;
    bool closed_ = false;
    // The text of the last version serialised, shared by every viewer that asks for it.
    mutable std::string text_;
    mutable std::uint64_t text_version_ = 0;
};

} // namespace kvnlink
