// move_generator.h - the legal moves of international draughts.
//
// Capturing is compulsory, and only the sequences taking the most pieces are
// legal (kings and men count the same).  Taken pieces leave the board when the
// sequence ends, so until then they block the way and none is jumped twice.
// Men step forward one square and capture in all four directions; kings fly
// along a diagonal and take a piece at any distance, landing on any empty
// square beyond it.
#pragma once

#include "draughts/move_list.h"

namespace draughts {

// Replaces the contents of `moves` by the legal moves of `position`, each once.
void generate_moves(const Position &position, MoveList &moves);

// The number of legal moves; faster than generating them when none captures.
int count_moves(const Position &position);

} // namespace draughts
