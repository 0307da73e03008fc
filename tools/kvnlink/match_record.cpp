// match_record.cpp - the rules' PDN writer, with the tags a match adds and the result it decided.
#include "match_record.h"

#include <ctime>

#include "draughts/pdn.h"

namespace kvnlink {

namespace {

std::string today() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "????.??.??";
    if (const std::tm *t = std::localtime(&now)) std::strftime(text, sizeof text, "%Y.%m.%d", t);
    return text;
}

} // namespace

std::string game_record(const GameReport &report, const std::string &white, const std::string &black, int round) {
    draughts::PdnTags tags{"kvnlink match", today(), white, black};
    tags.round = std::to_string(round);
    return draughts::write_pdn(tags, report.game);
}

} // namespace kvnlink
