// pdn_file.h - appending a followed game to a PDN file, and reading one whole.
#pragma once

#include <optional>
#include <string>

#include "draughts/game.h"
#include "draughts/pdn.h"

namespace kvnlink {

// Appends the game's PDN text to the file at `path`, creating it if need be,
// so that a file of several games stays one PDN file; false if it could not be written.
bool append_pdn(const std::string &path, const draughts::PdnTags &tags, const draughts::Game &game);

// The whole file at `path`, or nothing with the reason ("is a directory", "cannot be read") in `why`.
std::optional<std::string> read_whole_file(const std::string &path, std::string &why);

// Today's date as PDN writes it, YYYY.MM.DD ("????.??.??" when the clock cannot say).
std::string pdn_date_today();

} // namespace kvnlink
