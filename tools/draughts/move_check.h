// move_check.h - why a claimed move is not legal, and whether it could at least be carried out on the board.
#pragma once

#include <string>

#include "draughts/position.h"

namespace draughts {

// Empty when `move` is one of the legal moves of `position` (same from and to
// squares, same set of taken pieces); else the reason, short enough to follow
// the move's notation: "leaves a compulsory capture 33x22".
std::string why_illegal(const Position &position, const Move &move);

// True when the move can be carried out even if the rules forbid it: a piece
// of the side to move on `from`, `to` empty (or `from` itself), and every
// taken square holding a piece of the other side.
bool is_possible(const Position &position, const Move &move);

// "32-27", or "28x19 taking 23,24" for a move that takes pieces: the move as
// claimed, with every piece it takes, so that it can be read back.
std::string claimed_notation(const Move &move);

} // namespace draughts
