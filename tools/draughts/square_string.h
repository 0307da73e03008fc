// square_string.h - a position as a game request carries it: the side to move
// (W or Z) and 50 letters for squares 1..50: z a black man, w a white man,
// Z and W their kings, e an empty square.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "draughts/position.h"

namespace draughts {

char side_letter(Side side); // 'W' or 'Z'

// The 50 letters of the squares, 1 to 50.
std::string square_string(const Position &position);

// The position, or nothing with the reason in `error`: `side` must be W or Z
// and `squares` 50 of the five letters above.  Any other letter is one the two
// programs agreed on between themselves, and gives no position.
std::optional<Position> parse_square_string(char side, std::string_view squares, std::string &error);

} // namespace draughts
