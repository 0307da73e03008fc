// schedule.cpp - the games of a match in pairs.
#include "match/schedule.h"

namespace match {

std::vector<ScheduledGame> schedule_games(int games, int opening_count) {
    std::vector<ScheduledGame> schedule;
    if (opening_count < 1) return schedule;
    for (int number = 0; number < games; ++number) {
        const int pair = number / 2;
        schedule.push_back({number, pair, pair % opening_count, number % 2 == 0});
    }
    return schedule;
}

} // namespace match
