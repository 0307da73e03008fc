// summary.h - a match's standing in one line of text, for the console and the logs.
#pragma once

#include <string>

#include "match/sprt.h"
#include "match/tally.h"

namespace match {

// Which unit the Elo margin and the LLR are counted in: single games, or pairs of games.
enum class Model : unsigned char { trinomial, pentanomial };

// "Elo +147.2 +/- 66.0, LOS 100.0%, LLR 1.73 (-2.94, 2.94)": the LLR part only with a test;
// "no finite Elo (score 100.0%)" when one engine took every point, "+/- inf" when the
// interval reaches a score of 0 or 1.
std::string summary_line(const Tally &tally, Model model, const Sprt *sprt = nullptr);

// The match's last line, for scripts that read only that:
// "match: A vs B: W-D-L 3-4-1, score 0.688, elo +135.0 +/- 40.1, los 99.1%", with
// ", sprt H1 accepted" (or H0) when a test decided.  An Elo beyond any finite
// number is "+inf" or "-inf", as is a margin that reaches a score of 0 or 1.
std::string closing_line(const std::string &first, const std::string &second, const Tally &tally, Model model,
                         const Sprt *sprt = nullptr);

} // namespace match
