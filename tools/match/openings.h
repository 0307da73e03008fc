// openings.h - where the games of a match start: a position, and moves played from it.
//
// An openings file holds one FEN per line ("W:W31,...:B1,..."); blank lines and lines
// starting with '#' are skipped.  Openings from PDN games fill `moves` as well, so that
// the game's record shows them; a FEN line leaves it empty.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "draughts/position.h"

namespace match {

struct Opening {
    std::string start_fen;             // as draughts::to_fen writes it
    std::vector<draughts::Move> moves; // played from start_fen before the engines take over
    std::string origin;                // for messages: "openings.txt:12", "random opening 3 of seed 7"
};

// The position the engines start from: start_fen with every move played.  Nothing, with
// the reason in `error`, when the FEN does not parse or a move is not legal there.
std::optional<draughts::Position> opening_position(const Opening &opening, std::string &error);

// The openings of a file's text; `name` is the file's name in origins and errors, which
// read "NAME:LINE: reason".  A position in which the side to move has no legal move is an
// error, and so is a text without any opening.
std::optional<std::vector<Opening>> parse_openings(std::string_view text, std::string_view name, std::string &error);

// The same for the file at `path`, with an error when it cannot be read.
std::optional<std::vector<Opening>> read_openings_file(const std::string &path, std::string &error);

} // namespace match
