// schedule_test.cpp - games in pairs with colours swapped, and pairs counted as their games end.
#include <gtest/gtest.h>

#include "match/pair_scorer.h"

namespace {

using namespace match;

TEST(Schedule, EveryOpeningTwiceWithColoursSwapped) {
    const auto games = schedule_games(5, 2);
    ASSERT_EQ(games.size(), 5u);
    const int pair[] = {0, 0, 1, 1, 2}, opening[] = {0, 0, 1, 1, 0};
    for (int i = 0; i < 5; ++i) {
        const ScheduledGame &game = games[static_cast<std::size_t>(i)];
        EXPECT_EQ(game.number, i);
        EXPECT_EQ(game.pair, pair[i]);
        EXPECT_EQ(game.opening, opening[i]);
        EXPECT_EQ(game.first_is_white, i % 2 == 0);
    }
    EXPECT_TRUE(schedule_games(4, 0).empty());
}

TEST(PairScorer, PairsCountOnceBothGamesAreInWhateverTheOrder) {
    EXPECT_EQ(outcome_for_first(draughts::Result::white_wins, false), Outcome::loss);
    EXPECT_EQ(outcome_for_first(draughts::Result::black_wins, false), Outcome::win);
    EXPECT_EQ(outcome_for_first(draughts::Result::draw, true), Outcome::draw);
    EXPECT_FALSE(outcome_for_first(draughts::Result::unfinished, true));

    const auto games = schedule_games(5, 3);
    PairScorer scorer;
    EXPECT_FALSE(scorer.record(games[1], Outcome::win));
    EXPECT_FALSE(scorer.record(games[2], Outcome::draw));
    EXPECT_EQ(scorer.record(games[0], Outcome::draw), 3);
    EXPECT_FALSE(scorer.record(games[0], Outcome::loss)); // counted already
    EXPECT_EQ(scorer.record(games[3], Outcome::loss), 1);
    EXPECT_FALSE(scorer.record(games[4], Outcome::win)); // the odd game's pair never completes
    const Tally &tally = scorer.tally();
    EXPECT_EQ(tally.wins, 2);
    EXPECT_EQ(tally.draws, 2);
    EXPECT_EQ(tally.losses, 1);
    EXPECT_EQ(tally.pairs, (std::array<int, 5>{0, 1, 0, 1, 0}));
    EXPECT_EQ(scorer.pairs_waiting(), 1);
}

} // namespace
