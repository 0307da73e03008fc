// elo.h - scores and Elo differences in the logistic model, and how sure a sample makes us.
#pragma once

#include <optional>

namespace match {

// The two-sided 95% point of the normal distribution.
inline constexpr double z_95 = 1.959964;

// The Elo difference a score in (0, 1) stands for; nothing for 0 or 1, which no finite difference explains.
std::optional<double> elo_from_score(double score);

// The expected score of the side that is `elo` points stronger.
double score_from_elo(double elo);

// The Elo difference of a mean score, with the 95% interval of the mean mapped through
// elo_from_score.  An end of the interval at or beyond 0 or 1 has no finite Elo, and then
// neither has the margin.
struct EloEstimate {
    std::optional<double> elo;
    std::optional<double> low, high;

    std::optional<double> margin() const;
};

// `standard_error` is that of the mean score, not of one game.
EloEstimate estimate_elo(double mean_score, double standard_error);

// The likelihood of superiority: the chance that the first engine is the stronger, from its
// wins and losses (draws say nothing about it).  One half before any decisive game.
double likelihood_of_superiority(int wins, int losses);

} // namespace match
