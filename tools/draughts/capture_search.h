// capture_search.h - the longest capture sequences of the side to move.
#pragma once

#include "draughts/move_list.h"

namespace draughts {

// Fills `moves` with the captures that take the most pieces, each distinct
// (from, to, taken pieces) once, and returns how many pieces they take; with
// no capture on the board it leaves `moves` empty and returns 0.
int find_captures(const Position &position, MoveList &moves);

} // namespace draughts
