// board.h - where the 50 squares live in a 64-bit word, and how pieces step along diagonals.
//
// Squares 1..50 are numbered row by row from black's side (1..5 at the top, 46..50
// at the bottom).  Square s sits at bit (s-1) + (s-1)/10: after every second row
// one bit is left out (bits 10, 21, 32 and 43).  With those gaps, a step to a
// diagonal neighbour is the same shift everywhere on the board - 5 or 6 bits up
// or down - and a step off the left or right edge lands on a gap or past the last
// square, which the board mask then clears.  That lets whole sets of pieces move
// at once.
#pragma once

#include <bit>
#include <cstdint>

namespace draughts {

using Bits = std::uint64_t;

inline constexpr int square_count = 50;

constexpr int bit_of(int square) { return (square - 1) + (square - 1) / 10; }
constexpr int square_of_bit(int bit) { return bit - bit / 11 + 1; }
constexpr Bits square_bit(int square) { return Bits{1} << bit_of(square); }

constexpr Bits squares_between(int first, int last) {
    Bits b = 0;
    for (int s = first; s <= last; ++s) b |= square_bit(s);
    return b;
}

inline constexpr Bits board_bits = squares_between(1, 50);
// Where a white man is crowned (squares 1..5) and where a black man is (46..50).
inline constexpr Bits white_crown_row = squares_between(1, 5);
inline constexpr Bits black_crown_row = squares_between(46, 50);

// The four diagonal directions as bit offsets.  Black men move towards the
// higher squares (+5, +6), white men towards the lower ones (-5, -6).
inline constexpr int directions[4] = {5, 6, -5, -6};

// Every piece of `b` moved one square in direction `d`; those that would leave the board vanish.
constexpr Bits step(Bits b, int d) { return (d > 0 ? b << d : b >> -d) & board_bits; }

// Lowest set bit, and iteration over set bits, for `for (Bits b = set; b; b &= b - 1)` loops.
constexpr Bits lowest(Bits b) { return b & (~b + 1); }
constexpr int count(Bits b) { return std::popcount(b); }
constexpr int lowest_square(Bits b) { return square_of_bit(std::countr_zero(b)); }

} // namespace draughts
