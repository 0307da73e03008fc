// winning_chances.cpp - the certain cases of a side that cannot win.
#include "match/winning_chances.h"

#include "draughts/move_generator.h"

namespace match {

bool can_win(const draughts::Position &position, draughts::Side side) {
    if (position.pieces[static_cast<int>(side)] == 0) return false;
    if (position.to_move == side && draughts::count_moves(position) == 0) return false;
    return true;
}

} // namespace match
