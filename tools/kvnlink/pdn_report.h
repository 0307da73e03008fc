// pdn_report.h - what `kvnlink pdn` says about one replayed game: readable lines or one JSON object.
#pragma once

#include <string>
#include <vector>

#include "draughts/pdn_file.h"
#include "draughts/pdn_replay.h"
#include "json_line.h"

namespace kvnlink {

// Game `number` (1 for the first of the file) as lines to print.
std::vector<std::string> replay_lines(int number, const draughts::PdnRecord &record, const draughts::PdnReplay &r);

// The same as one object with exactly the fields game, plies, legal,
// first_illegal, result_tag, result_by_rules, ending, agrees, final_fen.
Json replay_json(int number, const draughts::PdnReplay &r);

} // namespace kvnlink
