// move_text.h - a move's notation told apart from the other legal moves, and
// a notation read back into the one legal move it names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "draughts/move_list.h"

namespace draughts {

// "32-28" or "28x19", or, when another move of `moves` (the legal moves of
// `position`) is a capture with the same from and to squares, the squares the
// capture lands on: "16x32x19x8".
std::string distinct_notation(const Position &position, const MoveList &moves, const Move &move);

// The legal move of `position` that `text` names ("32-28", "28x19", or a
// capture with the squares it lands on, "28x19x10"), or nothing with the
// reason in `why`.  A capture written by its from and to squares alone that
// fits two legal captures is refused as ambiguous, never guessed.
std::optional<Move> resolve_notation(const Position &position, std::string_view text, std::string &why);

} // namespace draughts
