// summary.cpp - the one-line standing, formatted with fixed decimals whatever the locale's habits.
#include "match/summary.h"

#include <cstdio>

#include "match/elo.h"

namespace match {

namespace {

std::string printed(const char *format, double a, double b = 0.0, double c = 0.0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

std::string elo_part(const Sample &sample) {
    const EloEstimate estimate = estimate_elo(sample.mean, sample.standard_error());
    if (!estimate.elo) return printed("no finite Elo (score %.1f%%)", 100.0 * sample.mean);
    const auto margin = estimate.margin();
    if (!margin) return printed("Elo %+.1f +/- inf", *estimate.elo);
    return printed("Elo %+.1f +/- %.1f", *estimate.elo, *margin);
}

} // namespace

std::string summary_line(const Tally &tally, Model model, const Sprt *sprt) {
    const Sample sample = model == Model::pentanomial ? tally.by_pairs() : tally.by_games();
    std::string line = elo_part(sample);
    line += printed(", LOS %.1f%%", 100.0 * likelihood_of_superiority(tally.wins, tally.losses));
    if (sprt) line += printed(", LLR %.2f (%.2f, %.2f)", sprt->llr(sample), sprt->lower_bound(), sprt->upper_bound());
    return line;
}

} // namespace match
