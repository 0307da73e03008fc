// game_clock.h - one engine's clock in a game.
//
// The arbiter starts an engine's clock when it sends the engine the opponent's move
// (or the start of the game) and stops it when the engine's move arrives.  Time points
// come in as arguments, so the clock never reads the time itself and tests need not wait.
#pragma once

#include <chrono>

#include "match/time_control.h"

namespace match {

class GameClock {
public:
    using time_point = std::chrono::steady_clock::time_point;
    using duration = std::chrono::steady_clock::duration;

    explicit GameClock(TimeControl control);

    // Starting a running clock changes nothing: the engine's time runs from the first start.
    void start(time_point now);
    // Stops the clock and counts the engine's move.  False when the flag has fallen,
    // on this move or before.  A stopped clock stays as it is.
    bool stop(time_point now);

    // What is left at `now`, below zero once the flag has fallen.
    duration remaining(time_point now) const;
    bool flag_fallen(time_point now) const { return remaining(now) < duration::zero(); }

    bool running() const { return running_; }
    int moves_made() const { return moves_made_; }

private:
    TimeControl control_;
    duration left_;
    time_point started_{};
    bool running_ = false;
    int moves_made_ = 0;
};

} // namespace match
