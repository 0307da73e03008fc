// tally.cpp - counting results and the mean and variance they give.
#include "match/tally.h"

#include <cmath>

namespace match {

double Sample::standard_error() const { return units > 0 ? std::sqrt(variance / units) : 0.0; }

void Tally::add_game(Outcome outcome) {
    switch (outcome) {
    case Outcome::win: ++wins; break;
    case Outcome::draw: ++draws; break;
    case Outcome::loss: ++losses; break;
    }
}

void Tally::add_pair(Outcome first, Outcome second) {
    ++pairs[static_cast<std::size_t>(half_points(first) + half_points(second))];
}

int Tally::pair_count() const {
    int total = 0;
    for (int count : pairs) total += count;
    return total;
}

double Tally::score() const { return games() > 0 ? (wins + draws / 2.0) / games() : 0.5; }

Sample Tally::by_games() const {
    const int n = games();
    if (n == 0) return {0.5, 0.0, 0};
    const double s = score();
    const double spread = wins * (1.0 - s) * (1.0 - s) + draws * (0.5 - s) * (0.5 - s) + losses * s * s;
    return {s, spread / n, n, 0.25};
}

Sample Tally::by_pairs() const {
    const int n = pair_count();
    if (n == 0) return {0.5, 0.0, 0};
    // A pair's score is its half points over 4: 0, 0.25, 0.5, 0.75 or 1.
    const auto pair_score = [](std::size_t k) { return static_cast<double>(k) / 4.0; };
    double sum = 0.0;
    for (std::size_t k = 0; k < pairs.size(); ++k) sum += pairs[k] * pair_score(k);
    const double mean = sum / n;
    double spread = 0.0;
    for (std::size_t k = 0; k < pairs.size(); ++k) spread += pairs[k] * (pair_score(k) - mean) * (pair_score(k) - mean);
    return {mean, spread / n, n, 0.125};
}

} // namespace match
