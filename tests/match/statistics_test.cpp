// statistics_test.cpp - Elo, error margins, LOS and the SPRT against numbers worked by hand.
#include <gtest/gtest.h>

#include "match/elo.h"
#include "match/sprt.h"
#include "match/summary.h"

namespace {

using namespace match;

Tally games(int wins, int draws, int losses) {
    Tally tally;
    for (int i = 0; i < wins; ++i) tally.add_game(Outcome::win);
    for (int i = 0; i < draws; ++i) tally.add_game(Outcome::draw);
    for (int i = 0; i < losses; ++i) tally.add_game(Outcome::loss);
    return tally;
}

Tally pairs(std::array<int, 5> counts) {
    Tally tally;
    tally.pairs = counts;
    return tally;
}

const Sprt zero_or_ten{0.0, 10.0, 0.05, 0.05};

// The Elo estimate of a sample and its 95% interval, each to a tenth.
void expect_elo(const Sample &sample, double elo, double low, double high) {
    const EloEstimate estimate = estimate_elo(sample.mean, sample.standard_error());
    EXPECT_NEAR(*estimate.elo, elo, 0.05);
    EXPECT_NEAR(*estimate.low, low, 0.05);
    EXPECT_NEAR(*estimate.high, high, 0.05);
}

TEST(Statistics, GamesCountedOneByOne) {
    const Sample sample = games(60, 20, 20).by_games();
    EXPECT_DOUBLE_EQ(sample.mean, 0.7);
    EXPECT_NEAR(sample.variance, 0.16, 1e-12);
    EXPECT_NEAR(sample.standard_error(), 0.04, 1e-12);
    expect_elo(sample, 147.2, 86.2, 218.3);
    EXPECT_NEAR(*estimate_elo(sample.mean, sample.standard_error()).margin(), 66.0, 0.1);
    EXPECT_NEAR(likelihood_of_superiority(60, 20), 0.999996, 5e-7);
    EXPECT_NEAR(zero_or_ten.llr(sample), 1.734, 5e-4);
}

TEST(Statistics, GamesCountedInPairs) {
    const Tally tally = pairs({2, 5, 20, 15, 8});
    EXPECT_EQ(tally.pair_count(), 50);
    const Sample sample = tally.by_pairs();
    EXPECT_NEAR(sample.mean, 0.61, 1e-12);
    EXPECT_NEAR(sample.variance, 0.0629, 1e-12);
    EXPECT_NEAR(sample.standard_error(), 0.035468, 5e-7);
    expect_elo(sample, 77.7, 28.2, 130.6);
    EXPECT_NEAR(zero_or_ten.llr(sample), 1.176, 5e-4);
}

TEST(Statistics, SprtBoundsAndDecisions) {
    EXPECT_NEAR(zero_or_ten.lower_bound(), -2.944, 5e-4);
    EXPECT_NEAR(zero_or_ten.upper_bound(), 2.944, 5e-4);
    EXPECT_DOUBLE_EQ(score_from_elo(0.0), 0.5);
    EXPECT_NEAR(score_from_elo(10.0), 0.514387, 5e-7);
    EXPECT_EQ(zero_or_ten.decide(1.734), Decision::play_on);
    EXPECT_EQ(zero_or_ten.decide(2.95), Decision::accept_h1);
    EXPECT_EQ(zero_or_ten.decide(-2.95), Decision::accept_h0);
    // Nothing yet: no evidence either way.  Every unit alike: an even game's
    // spread stands in, so the evidence grows with the count.
    EXPECT_EQ(zero_or_ten.llr(Tally{}.by_games()), 0.0);
    EXPECT_NEAR(zero_or_ten.llr(games(0, 30, 0).by_games()), -0.0124, 1e-4);
    EXPECT_NEAR(zero_or_ten.llr(games(20, 0, 0).by_games()), 0.5672, 1e-4);
}

TEST(Statistics, ScoresWithoutFiniteElo) {
    EXPECT_FALSE(elo_from_score(0.0));
    EXPECT_FALSE(elo_from_score(1.0));
    EXPECT_NEAR(*elo_from_score(score_from_elo(-250.0)), -250.0, 1e-9);
    EXPECT_EQ(likelihood_of_superiority(0, 0), 0.5);
    // 9 of 10: finite Elo, but the interval reaches a score of 1.
    EXPECT_FALSE(estimate_elo(0.9, 0.1).margin());
}

TEST(Statistics, OneLineSummary) {
    EXPECT_EQ(summary_line(games(60, 20, 20), Model::trinomial, &zero_or_ten),
              "Elo +147.2 +/- 66.0, LOS 100.0%, LLR 1.73 (-2.94, 2.94)");
    EXPECT_EQ(summary_line(games(0, 0, 10), Model::trinomial), "no finite Elo (score 0.0%), LOS 0.1%");
    EXPECT_EQ(summary_line(games(10, 0, 0), Model::trinomial), "no finite Elo (score 100.0%), LOS 99.9%");
    EXPECT_EQ(summary_line(games(9, 0, 1), Model::trinomial), "Elo +381.7 +/- inf, LOS 99.4%");
    EXPECT_EQ(summary_line(pairs({2, 5, 20, 15, 8}), Model::pentanomial, &zero_or_ten).substr(0, 18),
              "Elo +77.7 +/- 51.2");
    EXPECT_EQ(closing_line("A", "B", games(60, 20, 20), Model::trinomial, &zero_or_ten),
              "match: A vs B: W-D-L 60-20-20, score 0.700, elo +147.2 +/- 66.0, los 100.0%");
    EXPECT_EQ(closing_line("A", "B", games(0, 0, 10), Model::trinomial),
              "match: A vs B: W-D-L 0-0-10, score 0.000, elo -inf +/- inf, los 0.1%");
    EXPECT_EQ(closing_line("A", "B", games(120, 0, 0), Model::trinomial, &zero_or_ten),
              "match: A vs B: W-D-L 120-0-0, score 1.000, elo +inf +/- inf, los 100.0%, sprt H1 accepted");
}

} // namespace
