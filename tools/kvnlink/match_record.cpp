// match_record.cpp - the rules' PDN writer, with the tags a match adds and the result it decided.
#include "match_record.h"

#include "draughts/pdn.h"
#include "pdn_file.h"

namespace kvnlink {

std::string game_record(const GameReport &report, const std::string &white, const std::string &black, int round) {
    draughts::PdnTags tags{"kvnlink match", pdn_date_today(), white, black};
    tags.round = std::to_string(round);
    return draughts::write_pdn(tags, report.game);
}

} // namespace kvnlink
