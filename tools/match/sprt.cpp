// sprt.cpp - the log-likelihood ratio of two Elo hypotheses and the bounds that end the test.
#include "match/sprt.h"

#include <cmath>

#include "match/elo.h"

namespace match {

const char *decision_text(Decision decision) {
    switch (decision) {
    case Decision::accept_h0: return "H0 accepted";
    case Decision::accept_h1: return "H1 accepted";
    case Decision::play_on: break;
    }
    return "play on";
}

double Sprt::lower_bound() const { return std::log(beta / (1.0 - alpha)); }
double Sprt::upper_bound() const { return std::log((1.0 - beta) / alpha); }

double Sprt::llr(const Sample &sample) const {
    // All units alike (every game won, say) would make the ratio infinite
    // after one unit; the spread of an even game stands in for it, which
    // decides about as late as counting the wins one by one would.
    const double variance = sample.variance > 0.0 ? sample.variance : sample.spread_when_alike;
    if (sample.units == 0 || !(variance > 0.0)) return 0.0;
    const double s0 = score_from_elo(elo0), s1 = score_from_elo(elo1);
    return sample.units * (s1 - s0) * (2.0 * sample.mean - s0 - s1) / (2.0 * variance);
}

Decision Sprt::decide(double llr) const {
    if (llr >= upper_bound()) return Decision::accept_h1;
    if (llr <= lower_bound()) return Decision::accept_h0;
    return Decision::play_on;
}

} // namespace match
