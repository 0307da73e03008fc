// position.h - a position of international draughts, the move type, and playing a move.
#pragma once

#include <cstdint>
#include <string>

#include "draughts/board.h"

namespace draughts {

enum class Side : std::uint8_t { white = 0, black = 1 };

constexpr Side opponent_of(Side s) { return s == Side::white ? Side::black : Side::white; }

// Pieces as bit sets (see board.h); `kings` holds the kings of both sides.
struct Position {
    Bits pieces[2] = {0, 0}; // indexed by Side
    Bits kings = 0;
    Side to_move = Side::white;

    Bits white() const { return pieces[0]; }
    Bits black() const { return pieces[1]; }
    Bits occupied() const { return pieces[0] | pieces[1]; }
    Bits empty() const { return board_bits & ~occupied(); }

    // Black men on 1..20, white men on 31..50, white to move.
    static Position initial();

    bool operator==(const Position &) const = default;
};

// A move as the rules know it: where the piece starts and stops and what it
// takes.  The route of a capture is not kept: two routes taking the same
// pieces between the same squares are one move.
// No default values, so that a list of moves costs nothing until it is
// filled; write `Move{}` for an empty one.
struct Move {
    Bits captured;
    std::uint8_t from; // square 1..50
    std::uint8_t to;   // square 1..50; equal to `from` after a capture that comes round

    int capture_count() const { return count(captured); }
    bool operator==(const Move &) const = default;
};

// The position after `move`, which must be legal in `position`.  A man that
// stops on the far row is crowned; the captured pieces go; the other side moves.
Position play(const Position &position, const Move &move);

// "32-28" for a move, "28x19" for a capture (from and to squares only).
std::string notation(const Move &move);

} // namespace draughts
