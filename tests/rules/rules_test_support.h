// rules_test_support.h - positions from FEN and legal moves as plain values, for the rules tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "draughts/fen.h"
#include "draughts/game.h"
#include "draughts/move_generator.h"

namespace rules_test {

inline draughts::Position position_of(const char *fen) {
    std::string error;
    const auto p = draughts::parse_fen(fen, error);
    EXPECT_TRUE(p.has_value()) << fen << ": " << error;
    return p.value_or(draughts::Position{});
}

inline draughts::Bits squares(std::initializer_list<int> list) {
    draughts::Bits b = 0;
    for (int s : list) b |= draughts::square_bit(s);
    return b;
}

inline draughts::Move move(int from, int to, std::initializer_list<int> captured = {}) {
    return draughts::Move{squares(captured), static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)};
}

// The legal moves by from, then to square, as a vector that gtest can print and compare.
inline std::vector<draughts::Move> legal_moves(const char *fen) {
    draughts::MoveList list;
    draughts::generate_moves(position_of(fen), list);
    EXPECT_EQ(draughts::count_moves(position_of(fen)), list.size()) << fen;
    std::vector<draughts::Move> moves(list.begin(), list.end());
    std::sort(moves.begin(), moves.end(), [](const draughts::Move &a, const draughts::Move &b) {
        return a.from != b.from ? a.from < b.from : a.to != b.to ? a.to < b.to : a.captured < b.captured;
    });
    return moves;
}

// A line of `plies` king moves that take nothing, each to a position not in
// `seen` and leaving the other side nothing to take, found depth first.
inline bool fresh_king_line(const draughts::Position &now, int plies, std::vector<draughts::Position> &seen,
                            std::vector<draughts::Move> &line) {
    if (plies == 0) return true;
    draughts::MoveList list;
    draughts::generate_moves(now, list);
    for (const draughts::Move &m : list) {
        if (m.captured != 0 || (now.kings & draughts::square_bit(m.from)) == 0) continue;
        const draughts::Position next = draughts::play(now, m);
        draughts::MoveList replies;
        draughts::generate_moves(next, replies);
        if (replies.empty() || replies[0].captured != 0 || std::find(seen.begin(), seen.end(), next) != seen.end())
            continue;
        seen.push_back(next);
        line.push_back(m);
        if (fresh_king_line(next, plies - 1, seen, line)) return true;
        seen.pop_back();
        line.pop_back();
    }
    return false;
}

// Plays such a line in `game`, so that only the count under test can end it.
inline bool play_fresh_king_moves(draughts::Game &game, int plies) {
    std::vector<draughts::Position> seen{game.start()};
    for (const auto &ply : game.plies()) seen.push_back(ply.before);
    seen.push_back(game.position());
    std::vector<draughts::Move> line;
    if (!fresh_king_line(game.position(), plies, seen, line)) return false;
    for (const draughts::Move &m : line) game.claim(game.position().to_move, m);
    return true;
}

} // namespace rules_test

namespace draughts {
// Shown by gtest when a comparison fails.
inline void PrintTo(const Move &m, std::ostream *os) {
    *os << notation(m);
    if (m.captured) *os << " taking";
    for (Bits b = m.captured; b; b &= b - 1) *os << ' ' << lowest_square(b);
}
} // namespace draughts
