// schedule.h - which games a match plays: every opening twice, the colours swapped.
#pragma once

#include <vector>

namespace match {

// The first engine is the one the match is counted for.
struct ScheduledGame {
    int number;          // from 0
    int pair;            // games 2k and 2k+1 make pair k
    int opening;         // index in the list of openings
    bool first_is_white; // in the pair's first game; the second game swaps the colours
};

// `games` games in pairs: pair k plays opening k (the list starts again when it runs
// out), the first engine white in the pair's first game and black in the second.  An odd
// count leaves the last pair with its first game only.  Empty when there is no opening.
std::vector<ScheduledGame> schedule_games(int games, int opening_count);

} // namespace match
