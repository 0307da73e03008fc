// move_check.cpp - judging a claimed move against the legal moves, most telling reason first.
#include "draughts/move_check.h"

#include "draughts/move_generator.h"
#include "draughts/square_string.h"

namespace draughts {

namespace {

std::string pieces(int n) { return std::to_string(n) + (n == 1 ? " piece" : " pieces"); }

std::string why_not_a_capture(const MoveList &legal, const Move &move) {
    const Move &example = legal[0];
    const int must = example.capture_count();
    if (move.captured == 0) return "leaves a compulsory capture " + notation(example);
    if (move.capture_count() < must)
        return "takes " + pieces(move.capture_count()) + " where " + pieces(must) + " must be taken, e.g. " +
               notation(example);
    for (const Move &m : legal)
        if (m.from == move.from && m.to == move.to) return "takes other pieces than the legal " + claimed_notation(m);
    return "is not among the legal captures, e.g. " + notation(example);
}

} // namespace

std::string why_illegal(const Position &position, const Move &move) {
    MoveList legal;
    generate_moves(position, legal);
    if (legal.contains(move)) return {};
    const Side mover = position.to_move;
    const Bits from = square_bit(move.from);
    if ((position.occupied() & from) == 0) return "starts from an empty square";
    if ((position.pieces[static_cast<int>(mover)] & from) == 0)
        return std::string("moves a piece of ") + side_letter(opponent_of(mover));
    if (legal.empty()) return std::string("is made where ") + side_letter(mover) + " has no legal move";
    if (legal[0].captured != 0) return why_not_a_capture(legal, move);
    if (move.captured != 0) return "takes pieces where there is nothing to take";
    if (move.to != move.from && (position.occupied() & square_bit(move.to)) != 0) return "ends on an occupied square";
    return "is not a move of that piece";
}

bool is_possible(const Position &position, const Move &move) {
    const int mover = static_cast<int>(position.to_move);
    const Bits from = square_bit(move.from);
    const Bits to = square_bit(move.to);
    const bool to_free = move.to == move.from || (position.occupied() & to) == 0;
    const bool takes_opponents = (move.captured & ~position.pieces[1 - mover]) == 0;
    return (position.pieces[mover] & from) != 0 && to_free && takes_opponents;
}

std::string claimed_notation(const Move &move) {
    std::string text = notation(move);
    for (Bits b = move.captured; b; b &= b - 1)
        text += (b == move.captured ? " taking " : ",") + std::to_string(lowest_square(b));
    return text;
}

} // namespace draughts
