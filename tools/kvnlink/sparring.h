// sparring.h - kvnlink playing by itself: it accepts or sends a request, answers every
// move with a legal move (at random, or searched), and sends a game end when the game is over.
#pragma once

#include <cstdint>
#include <optional>

#include "draughts/splitmix64.h"
#include "kvn.h"
#include "referee.h"

namespace kvnlink {

// A fixed, portable generator, so that a seed gives the same game with every
// compiler and standard library.
using draughts::SplitMix64;

// Decides what one party sends next; the referee, shared with whatever else
// watches the exchange, knows the game.  kvnlink's own conventions, as the
// record leaves these numbers to the two programs: it accepts with code 0,
// moves with time 0 and ends a game with reason 0 and stop code 0.
class Sparring {
public:
    // `request`: a game request to send first (else it waits for one and accepts it).
    // `depth` > 0: the move is the search's (draughts/search.h) that many plies deep, else a random legal one.
    Sparring(const Referee &referee, int party, std::uint64_t seed, std::optional<kvn_message> request, int depth = 0);

    // Every message that went by, sent by either party, after the referee saw it.
    void observe(int party, const kvn_message &message);

    // The next message this party should send, if any.
    std::optional<kvn_message> next();

    // A partner that sends its own request plays that one game: once its end has
    // gone by (sent or received), the session is over.  One that answers requests
    // stays linked and answers the next request with a new game, as an engine does
    // for a match's arbiter: it is never done, and its session ends when the peer leaves.
    bool done() const { return request_ && game_over(); }
    bool end_received() const { return end_received_; }
    // Answering requests, with at least one game played and none in progress: the
    // peer may leave now without anything being lost.
    bool between_games() const { return !request_ && games_ended_ > 0 && (!playing_ || game_over()); }

private:
    const Referee &referee_;
    int party_;
    SplitMix64 random_;
    int depth_;
    std::optional<kvn_message> request_;
    bool request_sent_ = false;
    bool must_accept_ = false;
    bool playing_ = false; // a game was started with this party in it
    bool end_sent_ = false;
    bool end_received_ = false;
    int games_ended_ = 0;

    bool game_over() const { return end_sent_ || end_received_; }
};

} // namespace kvnlink
