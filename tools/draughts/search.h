// search.h - choosing a move by looking a fixed number of plies ahead, for a
// sparring partner whose strength is set by that number.
#pragma once

#include <cstdint>

#include "draughts/position.h"

namespace draughts {

// The best move found by a negamax search with alpha-beta pruning `depth`
// plies deep, scoring the leaves with evaluate() (evaluation.h).  At the
// leaves the search goes on while the side to move must capture, so that it
// never stops in the middle of an exchange.  A side with no legal move has
// lost.  Among the moves that score the same, `seed` decides, the same way on
// every platform.  Depth 0 (or less) plays a legal move at random.
// Returns Move{} (from 0) when the side to move has no legal move.
Move choose_move(const Position &position, int depth, std::uint64_t seed);

} // namespace draughts
