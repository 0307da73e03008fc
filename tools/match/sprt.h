// sprt.h - the sequential probability ratio test, in its normal approximation, to stop a match early.
#pragma once

#include "match/tally.h"

namespace match {

enum class Decision : unsigned char { play_on, accept_h0, accept_h1 };

const char *decision_text(Decision decision); // "play on", "H0 accepted", "H1 accepted"

// H0: the first engine is elo0 stronger; H1: it is elo1 stronger.  alpha is the chance of
// accepting H1 when H0 holds, beta that of accepting H0 when H1 holds.
struct Sprt {
    double elo0 = 0.0, elo1 = 5.0;
    double alpha = 0.05, beta = 0.05;

    double lower_bound() const; // ln(beta / (1 - alpha))
    double upper_bound() const; // ln((1 - beta) / alpha)

    // The log-likelihood ratio of H1 against H0 given the sample; zero before
    // the first unit.  A sample of units all alike uses its spread_when_alike.
    double llr(const Sample &sample) const;
    Decision decide(double llr) const;
};

} // namespace match
