// pair_scorer.cpp - from game results to the trinomial and pentanomial counts.
#include "match/pair_scorer.h"

namespace match {

std::optional<Outcome> outcome_for_first(draughts::Result result, bool first_is_white) {
    switch (result) {
    case draughts::Result::draw: return Outcome::draw;
    case draughts::Result::white_wins: return first_is_white ? Outcome::win : Outcome::loss;
    case draughts::Result::black_wins: return first_is_white ? Outcome::loss : Outcome::win;
    case draughts::Result::unfinished: break;
    }
    return std::nullopt;
}

std::optional<int> PairScorer::record(const ScheduledGame &game, Outcome outcome) {
    if (!counted_.insert(game.number).second) return std::nullopt;
    tally_.add_game(outcome);
    const auto other = waiting_.find(game.pair);
    if (other == waiting_.end()) {
        waiting_.emplace(game.pair, outcome);
        return std::nullopt;
    }
    const Outcome first = other->second;
    waiting_.erase(other);
    tally_.add_pair(first, outcome);
    return half_points(first) + half_points(outcome);
}

} // namespace match
