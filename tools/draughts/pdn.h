// pdn.h - games in Portable Draughts Notation, written and read back.
//
// A game is its tags (Event, Date, White, Black, Result, and FEN when it did
// not start from the starting position), then its moves, numbered, then the
// result.  Moves that were claimed but not legal are kept in comments of one
// fixed form, "{illegal move by W: 32-27 leaves a compulsory capture 33x22}",
// so that reading the game back replays them exactly as the referee did.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "draughts/game.h"

namespace draughts {

struct PdnTags {
    std::string event, date, white, black;
};

// The game as PDN text, ending with a blank line, so that games appended to
// one file one after another stay one valid PDN file.
std::string write_pdn(const PdnTags &tags, const Game &game);

// "32-28", "28x19", or the whole path "28x19x10" when another legal capture
// shares the same from and to squares.
std::string pdn_move(const Position &position, const Move &move);

struct PdnGame {
    std::vector<std::pair<std::string, std::string>> tags; // in the order written
    Game game;

    std::string tag(const std::string &name) const; // "" when absent
};

// Every game of the text, its moves replayed; nothing with the reason in
// `error` when a move is not legal or the text is not PDN as written above.
std::vector<PdnGame> read_pdn(std::string_view text, std::string &error);

} // namespace draughts
