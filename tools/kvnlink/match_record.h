// match_record.h - a match game as PDN: the rules' record with the match's result and how the game ended.
#pragma once

#include <string>

#include "arbiter.h"

namespace kvnlink {

// The PDN text of game `number` (from 0), with Event "kvnlink match" and Round "pair.game"; the game itself
// holds the arbiter's result and ending, which the Result and Termination tags show.
std::string game_record(const GameReport &report, const std::string &white, const std::string &black, int number);

} // namespace kvnlink
