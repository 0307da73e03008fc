// match_options.h - the command line of `kvnlink match` and of its lanes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "live_options.h"
#include "match/sprt.h"
#include "match/time_control.h"

namespace kvnlink {

struct MatchEngine {
    std::string name;
    std::vector<std::string> addresses; // one for every lane, or one cmd: shared by all
};

struct MatchOptions {
    MatchEngine engines[2];
    int games = 2;
    int concurrency = 1;
    std::string openings_file;
    int random_opening_plies = -1; // < 0: no random openings
    std::string time_text;         // as given; empty: no clocks
    std::optional<match::TimeControl> time;
    int max_plies = 0; // 0: no limit
    std::string pdn;
    bool json = false;
    std::optional<match::Sprt> sprt;
    std::optional<std::uint64_t> seed;
    double timeout_s = 30;     // for an engine to come and to accept a game
    LiveOptions live;          // match: --http, the live page
    bool report_moves = false; // match-lane: a line for each game's start and each move (for the live page)
};

// The options as the command line gives them: what needs reading or checking
// against the others is kept as text here, the rest goes straight into `options`.
struct MatchWords {
    std::vector<std::string> engines; // NAME=ADDRESS, twice
    std::string time, sprt;
    MatchOptions options;
};

// The options, or nothing with the reason in `error`.  A lane takes the same
// options with one address per engine.
std::optional<MatchOptions> finish_match_options(const MatchWords &words, std::string &error);

// The address of `engine` for lane `lane`.
const std::string &lane_address(const MatchEngine &engine, int lane);

} // namespace kvnlink
