// evaluation.h - what a position is worth to the side to move, as the search sees it at a leaf.
//
// Material first (a man 100, a king 300), then a few cheap positional terms
// worth a fraction of a man, so that they only break ties in material: men
// moving up the board, men holding the centre, and men staying on the back row
// while the board is still full, where they keep the other side from crowning.
#pragma once

#include <initializer_list>

#include "draughts/position.h"

namespace draughts {

inline constexpr int man_value = 100;
inline constexpr int king_value = 300;

namespace evaluation_detail {

constexpr int per_row_advanced = 1;
constexpr int per_centre_man = 4;
constexpr int per_back_row_man = 3;
// The back row counts while at least this many pieces are on the board.
constexpr int early_piece_count = 30;

constexpr Bits rows(std::initializer_list<int> list) {
    Bits b = 0;
    for (int row : list) b |= squares_between(row * 5 + 1, row * 5 + 5);
    return b;
}

// Rows counted from black's side (row 0 is squares 1..5).  The rows whose
// number has bit k set: the sum of a man's row numbers is then four popcounts.
constexpr Bits rows_with_bit[4] = {rows({1, 3, 5, 7, 9}), rows({2, 3, 6, 7}), rows({4, 5, 6, 7}), rows({8, 9})};

constexpr Bits centre =
    square_bit(22) | square_bit(23) | square_bit(24) | square_bit(27) | square_bit(28) | square_bit(29);

inline int row_sum(Bits men) {
    int sum = 0;
    for (int k = 0; k < 4; ++k) sum += count(men & rows_with_bit[k]) << k;
    return sum;
}

inline int side_value(const Position &p, Side side, bool early) {
    const Bits own = p.pieces[static_cast<int>(side)];
    const Bits men = own & ~p.kings;
    // A white man advances towards row 0, a black one towards row 9.
    const int advanced = side == Side::white ? 9 * count(men) - row_sum(men) : row_sum(men);
    const Bits back_row = side == Side::white ? black_crown_row : white_crown_row;
    int value = man_value * count(men) + king_value * count(own & p.kings);
    value += per_row_advanced * advanced + per_centre_man * count(men & centre);
    if (early) value += per_back_row_man * count(men & back_row);
    return value;
}

} // namespace evaluation_detail

// The value for the side to move minus the value for the other side.
inline int evaluate(const Position &p) {
    using namespace evaluation_detail;
    const bool early = count(p.occupied()) >= early_piece_count;
    const int white_lead = side_value(p, Side::white, early) - side_value(p, Side::black, early);
    return p.to_move == Side::white ? white_lead : -white_lead;
}

} // namespace draughts
