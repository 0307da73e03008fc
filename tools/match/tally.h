// tally.h - a match's results counted game by game (wins, draws, losses) and pair by pair.
#pragma once

#include <array>

namespace match {

// One game's result for the first engine, the one the match is counted for.
enum class Outcome : unsigned char { loss, draw, win };

// Points in halves: a loss 0, a draw 1, a win 2.
constexpr int half_points(Outcome outcome) { return static_cast<int>(outcome); }

// A sample of scores in [0, 1]: its mean, its variance per unit, and how many units it holds.
struct Sample {
    double mean = 0.0;
    double variance = 0.0;
    int units = 0;
    // The spread one unit would have at even odds with no draws (a game 0.25,
    // a pair of independent games 0.125): the test assumes it while every
    // unit so far scored alike, which shows no spread of its own.
    double spread_when_alike = 0.0;

    double standard_error() const; // of the mean
};

struct Tally {
    int wins = 0, draws = 0, losses = 0;
    // pairs[k]: pairs of games (one opening, colours swapped) that brought the first engine k half points.
    std::array<int, 5> pairs{};

    void add_game(Outcome outcome);
    // Counts the pair only: its two games are counted by add_game as they end.
    void add_pair(Outcome first, Outcome second);

    int games() const { return wins + draws + losses; }
    int pair_count() const;
    double score() const; // (W + D/2) / N, one half before any game

    // Games counted one by one (trinomial), and pairs of games as units (pentanomial).
    Sample by_games() const;
    Sample by_pairs() const;
};

} // namespace match
