// position.cpp - the starting position, playing a move, and its short notation.
#include "draughts/position.h"

namespace draughts {

Position Position::initial() {
    Position p;
    p.pieces[static_cast<int>(Side::black)] = squares_between(1, 20);
    p.pieces[static_cast<int>(Side::white)] = squares_between(31, 50);
    return p;
}

Position play(const Position &position, const Move &move) {
    Position next = position;
    const int mover = static_cast<int>(position.to_move);
    const Bits from = square_bit(move.from);
    const Bits to = square_bit(move.to);
    const Bits crown_row = position.to_move == Side::white ? white_crown_row : black_crown_row;
    // Clear before set: a capture may end on the square it started from.
    next.pieces[mover] = (next.pieces[mover] & ~from) | to;
    next.pieces[1 - mover] &= ~move.captured;
    const bool crowned = (position.kings & from) != 0 || (to & crown_row) != 0;
    next.kings &= ~(move.captured | from);
    if (crowned) next.kings |= to;
    next.to_move = opponent_of(position.to_move);
    return next;
}

std::string notation(const Move &move) {
    return std::to_string(move.from) + (move.captured ? "x" : "-") + std::to_string(move.to);
}

} // namespace draughts
