// pdn_file.h - appending a followed game to a PDN file.
#pragma once

#include <string>

#include "draughts/game.h"
#include "draughts/pdn.h"

namespace kvnlink {

// Appends the game's PDN text to the file at `path`, creating it if need be,
// so that a file of several games stays one PDN file; false if it could not be written.
bool append_pdn(const std::string &path, const draughts::PdnTags &tags, const draughts::Game &game);

// Today's date as PDN writes it, YYYY.MM.DD ("????.??.??" when the clock cannot say).
std::string pdn_date_today();

} // namespace kvnlink
