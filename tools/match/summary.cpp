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

std::string closing_line(const std::string &first, const std::string &second, const Tally &tally, Model model,
                         const Sprt *sprt) {
    const Sample sample = model == Model::pentanomial ? tally.by_pairs() : tally.by_games();
    const EloEstimate estimate = estimate_elo(sample.mean, sample.standard_error());
    const auto margin = estimate.margin();
    std::string line = "match: " + first + " vs " + second + ": W-D-L " + std::to_string(tally.wins) + "-" +
                       std::to_string(tally.draws) + "-" + std::to_string(tally.losses);
    line += printed(", score %.3f", tally.games() > 0 ? (tally.wins + 0.5 * tally.draws) / tally.games() : 0.5);
    if (!estimate.elo) line += sample.mean > 0.5 ? ", elo +inf" : ", elo -inf";
    else line += printed(", elo %+.1f", *estimate.elo);
    line += margin && estimate.elo ? printed(" +/- %.1f", *margin) : std::string(" +/- inf");
    line += printed(", los %.1f%%", 100.0 * likelihood_of_superiority(tally.wins, tally.losses));
    if (sprt) {
        const Decision decision = sprt->decide(sprt->llr(sample));
        if (decision != Decision::play_on) line += std::string(", sprt ") + decision_text(decision);
    }
    return line;
}

} // namespace match
