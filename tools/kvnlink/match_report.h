// match_report.h - what `kvnlink match` prints: a line per finished game, the running
// score, and the results table at the end; readable lines or one JSON object per event.
#pragma once

#include <optional>
#include <string>

#include "match/sprt.h"
#include "match/tally.h"
#include "match_options.h"

namespace kvnlink {

struct FinishedGame {
    int number = 0; // from 0
    std::string white, black, result, ending;
    int plies = 0;
    long white_ms = -1, black_ms = -1;
};

class MatchReport {
public:
    explicit MatchReport(const MatchOptions &options) : options_(options) {}

    void started(int games, int lanes, std::uint64_t seed, int openings) const;
    void game(const FinishedGame &game, const match::Tally &tally) const;
    void decided(match::Decision decision, int games_counted) const;
    void error(const std::string &text) const;
    // Ctrl-C came: the games in progress are finished and counted, no new one starts.
    void interrupted() const;
    void results(const match::Tally &tally, int games_wanted) const;
    void live(const std::string &url) const; // where the live page is served

    // "Elo +147.2 +/- 66.0, LOS 100.0%", with the SPRT's LLR when there is a test.
    std::string standing(const match::Tally &tally) const;

private:
    // The last line: "match: A vs B: W-D-L ..., score ..., elo ..., los ...".
    std::string closing(const match::Tally &tally) const;
    const MatchOptions &options_;
};

} // namespace kvnlink
