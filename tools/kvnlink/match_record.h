// match_record.h - a match game as PDN: the rules' record with the match's result and how the game ended.
#pragma once

#include <string>

#include "arbiter.h"

namespace kvnlink {

// The game's PDN text: tags Event, Date, White, Black, Round, Result, Termination (how it
// ended) and FEN when it did not start from the starting position.  The Result is the
// arbiter's, which differs from the position's when a clock, a link or an illegal move
// decided the game, or the ply limit did.
std::string game_record(const GameReport &report, const std::string &white, const std::string &black, int round);

} // namespace kvnlink
