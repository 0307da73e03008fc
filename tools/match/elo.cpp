// elo.cpp - the logistic Elo model and the normal approximation of a score's error.
#include "match/elo.h"

#include <cmath>

namespace match {

std::optional<double> elo_from_score(double score) {
    if (!(score > 0.0 && score < 1.0)) return std::nullopt;
    // Adding 0.0 turns the -0.0 of an even score into 0.0, which prints as +0.0.
    return -400.0 * std::log10(1.0 / score - 1.0) + 0.0;
}

double score_from_elo(double elo) { return 1.0 / (1.0 + std::pow(10.0, -elo / 400.0)); }

std::optional<double> EloEstimate::margin() const {
    if (!low || !high) return std::nullopt;
    return (*high - *low) / 2.0;
}

EloEstimate estimate_elo(double mean_score, double standard_error) {
    const double spread = z_95 * standard_error;
    return {elo_from_score(mean_score), elo_from_score(mean_score - spread), elo_from_score(mean_score + spread)};
}

double likelihood_of_superiority(int wins, int losses) {
    if (wins + losses == 0) return 0.5;
    return 0.5 * (1.0 + std::erf((wins - losses) / std::sqrt(2.0 * (wins + losses))));
}

} // namespace match
