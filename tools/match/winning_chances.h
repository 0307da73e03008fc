// winning_chances.h - whether a side could still win, for a flag fall: it loses the game
// unless the opponent has no way left to win, and then it is a draw.
#pragma once

#include "draughts/position.h"

namespace match {

// False only when `side` certainly cannot win whatever both sides play: it has no piece
// left, or it is to move without a legal move (it has lost already).  Every other
// position counts as winnable, since the opponent could still give pieces away; so a
// doubt always falls to the side whose flag stands.
bool can_win(const draughts::Position &position, draughts::Side side);

} // namespace match
