// fen.h - positions in the FEN form of Portable Draughts Notation, e.g. "W:W31-50:B1-20".
//
// The side to move (W or B), then the white and the black pieces, each list a
// colour letter followed by squares separated by commas; K before a square
// marks a king, and "31-50" stands for every square from 31 to 50.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "draughts/position.h"

namespace draughts {

// White's pieces first, squares in ascending order, one by one: "W:W31,32,...:B1,2,...".
std::string to_fen(const Position &position);

// The position, or nothing with the reason in `error`.  Spaces, surrounding
// double quotes and a final full stop are accepted; either colour may come
// first; a square may not be given twice.
std::optional<Position> parse_fen(std::string_view text, std::string &error);

} // namespace draughts
