// perft.h - counting the positions a number of moves ahead, the usual check of a move generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "draughts/position.h"

namespace draughts {

// The number of move sequences `depth` plies long from `position` (1 for depth 0).
std::uint64_t perft(const Position &position, int depth);

struct DivideEntry {
    Move move;
    std::uint64_t count;
    std::string text = {}; // the move's notation, with its path where another capture shares from and to
};

// perft split by the first move: one entry per legal move, by from and then to
// square (two captures between the same squares by their taken pieces).
std::vector<DivideEntry> perft_divide(const Position &position, int depth);

} // namespace draughts
