// clock_test.cpp - time controls as text, and clocks run on time points made up by the test.
#include <gtest/gtest.h>

#include "match/game_clock.h"

namespace {

using namespace match;
using namespace std::chrono_literals;

TimeControl parsed(const char *text) {
    std::string error;
    const auto control = parse_time_control(text, error);
    EXPECT_TRUE(control) << error;
    return control.value_or(TimeControl{});
}

std::string parse_error(const char *text) {
    std::string error;
    EXPECT_FALSE(parse_time_control(text, error)) << text;
    return error;
}

TEST(TimeControl, MinutesPerMovesOrForTheGame) {
    EXPECT_EQ(parsed("5/40"), (TimeControl{300s, 40}));
    EXPECT_EQ(parsed("5"), (TimeControl{300s, 0}));
    EXPECT_EQ(parsed("0.5/20"), (TimeControl{30s, 20}));
    EXPECT_EQ(parsed(".25"), (TimeControl{15s, 0}));
    EXPECT_EQ(parse_error("x/40"),
              "time control \"x/40\": \"x\" is not a number of minutes (use MINUTES or MINUTES/MOVES)");
    EXPECT_EQ(parse_error("5/0"), "time control \"5/0\": \"0\" is not a number of moves from 1 to 9999");
    EXPECT_EQ(parse_error("0/40"), "time control \"0/40\": the time must be more than 0 minutes");
    for (const char *bad : {"", "/40", "5/", "-1", "1.2.3", "5/40/2", "5 /40"}) parse_error(bad);
}

TEST(GameClock, TimeRenewsAfterEveryPeriodOfMoves) {
    GameClock clock(TimeControl{60s, 2});
    const GameClock::time_point t0{};
    clock.start(t0);
    EXPECT_EQ(clock.remaining(t0 + 15s), 45s);
    EXPECT_TRUE(clock.stop(t0 + 20s));
    EXPECT_EQ(clock.remaining(t0 + 50s), 40s); // stopped: the opponent's time does not count
    clock.start(t0 + 50s);
    EXPECT_TRUE(clock.stop(t0 + 80s));
    EXPECT_EQ(clock.moves_made(), 2);
    EXPECT_EQ(clock.remaining(t0 + 80s), 70s); // 10 s left over and the next minute
}

TEST(GameClock, FlagFallsBelowZero) {
    GameClock clock(TimeControl{60s, 0});
    const GameClock::time_point t0{};
    clock.start(t0);
    EXPECT_FALSE(clock.flag_fallen(t0 + 60s));
    EXPECT_TRUE(clock.flag_fallen(t0 + 60s + 1ms));
    EXPECT_FALSE(clock.stop(t0 + 61s));
    EXPECT_FALSE(clock.running());
    EXPECT_FALSE(clock.stop(t0 + 62s)); // stays fallen
    GameClock exact(TimeControl{60s, 1});
    exact.start(t0);
    EXPECT_TRUE(exact.stop(t0 + 60s)); // nothing left is still in time
    EXPECT_EQ(exact.remaining(t0 + 60s), 60s);
}

} // namespace
