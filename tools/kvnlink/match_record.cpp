// match_record.cpp - the rules' PDN writer, with the tags a match adds, the result it decided and
// each move's thinking time.
#include "match_record.h"

#include "draughts/pdn.h"
#include "pdn_file.h"

#include <cstdio>

namespace kvnlink {

namespace {

// A move's thinking time in the comment form "[%emt H:MM:SS.mmm]" (elapsed move time).
std::string elapsed(long ms) {
    char text[48];
    std::snprintf(text, sizeof text, "[%%emt %ld:%02ld:%02ld.%03ld]", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    return text;
}

} // namespace

std::string game_record(const GameReport &report, const std::string &white, const std::string &black, int number) {
    draughts::PdnTags tags{"kvnlink match", pdn_date_today(), white, black};
    // "pair.game": games 0 and 1 are pair 1, the second with the colours swapped.
    tags.round = std::to_string(number / 2 + 1) + "." + std::to_string(number % 2 + 1);
    std::vector<std::string> times;
    for (long ms : report.move_ms) times.push_back(elapsed(ms));
    return draughts::write_pdn(tags, report.game, times);
}

} // namespace kvnlink
