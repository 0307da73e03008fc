// pdn.h - games in Portable Draughts Notation, written and read back.
//
// A game is its tags (the seven every PDN game has: Event, Site, Date, Round,
// White, Black, Result; then GameType "20" for international draughts, FEN
// when it did not start from the starting position, and Termination with the
// ending's name once the game is over), then its moves, numbered, then the
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
    std::string site = "?", round = "?"; // after the others, so that {event, date, white, black} still fills them
};

// The game as PDN text, ending with a blank line, so that games appended to
// one file one after another stay one valid PDN file.  `notes[i]`, where
// given and not empty, follows the i-th legal move as a comment (e.g. the
// time the move took).
std::string write_pdn(const PdnTags &tags, const Game &game, const std::vector<std::string> &notes = {});

// "32-28", "28x19", or the whole path "28x19x10" when another legal capture
// shares the same from and to squares.
std::string pdn_move(const Position &position, const Move &move);

struct PdnGame {
    std::vector<std::pair<std::string, std::string>> tags; // in the order written
    Game game;

    std::string tag(const std::string &name) const; // "" when absent
};

// Every game of the text, its moves replayed; nothing with the reason in
// `error` when a move is not legal or the text is not PDN (see pdn_file.h for
// what is read and pdn_replay.h for a game-by-game report instead).
std::vector<PdnGame> read_pdn(std::string_view text, std::string &error);

} // namespace draughts
