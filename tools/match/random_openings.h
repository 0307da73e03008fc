// random_openings.h - openings made by playing random legal moves from the starting position.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "match/openings.h"

namespace match {

// How often one opening is drawn again before the attempt is given up.
inline constexpr int random_opening_tries = 1000;

// `count` openings of `plies` random legal moves each from the starting position, the same
// for the same seed on every platform.  A draw ending in a position where the two sides
// differ in men or in kings, or where the side to move has no legal move, is thrown away
// and drawn again.  Nothing, with the reason in `error`, when no balanced opening turns up.
std::optional<std::vector<Opening>> random_openings(int count, int plies, std::uint64_t seed, std::string &error);

} // namespace match
