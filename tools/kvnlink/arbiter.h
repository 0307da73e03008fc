// arbiter.h - one game of a match between two linked engines: the requests, the accepts,
// every move refereed and relayed, the clocks, and the game end to both.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "draughts/game.h"
#include "lane_engine.h"
#include "live_state.h"
#include "match/game_clock.h"
#include "match/time_control.h"
#include "notify.h"

namespace kvnlink {

struct GameSetup {
    draughts::Position start;
    std::optional<match::TimeControl> time; // none: no clocks
    int max_plies = 0;                      // 0: no limit
    double accept_timeout_s = 30;
    std::uint64_t seed = 0; // the engines' {seed}: this plus the engine's slot
    bool may_relink = true; // an engine whose link is lost before it accepted is linked again, once each
    std::function<void(const LiveMove &)> on_move; // told every legal move, if set (the live page)
};

struct GameReport {
    draughts::Game game;
    draughts::Result result = draughts::Result::unfinished;
    std::string ending;          // how it ended, one line
    long clock_ms[2] = {-1, -1}; // time left, white and black; -1 without clocks
    std::vector<long> move_ms;   // each legal move's thinking time, as the arbiter saw it
    bool abandoned = false;      // the lane's input ended during the game
};

// Lines that reached the lane while a game ran, kept for after it.
struct LaneInput {
    std::deque<std::string> lines;
    bool ended = false;
};

class Arbiter {
public:
    // engines[0] plays white, engines[1] black.
    Arbiter(const GameSetup &setup, LaneEngine *white, LaneEngine *black, EventSource &events, LaneInput &input);
    GameReport play();

private:
    void send_requests();
    bool await_accepts();
    std::chrono::steady_clock::time_point accept_deadline() const;
    // Links the engine of `side` again and sends it the request; false when it may not or did not come.
    bool relink(int side);
    void play_moves();
    void on_move(int side, const kvn_message &move, std::chrono::steady_clock::time_point arrived);
    void tell_move(const draughts::Position &before, const draughts::Move &move,
                   std::chrono::steady_clock::time_point arrived) const;
    void decide(draughts::Result result, draughts::Ending ending, const std::string &text);
    void lose(int side, draughts::Ending ending, const std::string &why);
    void flag_fell(int side);
    void finish();
    // The next event for the game; lines of the lane's input are put aside.
    Event next_event(int timeout_ms);
    int side_of_slot(intptr_t slot) const;

    const GameSetup &setup_;
    bool relinked_[2] = {false, false};
    LaneEngine *engines_[2];
    EventSource &events_;
    LaneInput &input_;
    GameReport report_;
    std::optional<match::GameClock> clocks_[2];
    std::chrono::steady_clock::time_point turn_started_;   // when the side to move was given its turn
    std::vector<std::pair<int, kvn_message>> early_moves_; // moves that came before both accepts, by side
};

} // namespace kvnlink
