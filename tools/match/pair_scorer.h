// pair_scorer.h - counting finished games, and each pair once both its games are over.
//
// Games of a match run several at a time and end in any order, so a pair's first
// finished game waits here for the other one.
#pragma once

#include <map>
#include <optional>
#include <set>

#include "draughts/game.h"
#include "match/schedule.h"
#include "match/tally.h"

namespace match {

// The first engine's outcome of a game that is over; nothing for an unfinished one.
std::optional<Outcome> outcome_for_first(draughts::Result result, bool first_is_white);

class PairScorer {
public:
    // Counts the game, and its pair when the other game of the pair is already in: then
    // the pair's half points for the first engine (0 to 4) come back.  A game counted
    // before is ignored.
    std::optional<int> record(const ScheduledGame &game, Outcome outcome);

    const Tally &tally() const { return tally_; }
    // Pairs with one game counted; an odd match's last pair stays here.
    int pairs_waiting() const { return static_cast<int>(waiting_.size()); }

private:
    Tally tally_;
    std::map<int, Outcome> waiting_; // the outcome of the game already in, by pair
    std::set<int> counted_;          // the numbers of the games counted
};

} // namespace match
