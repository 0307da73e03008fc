// rules_test_support.h - positions from FEN and legal moves as plain values, for the rules tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "draughts/fen.h"
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

} // namespace rules_test

namespace draughts {
// Shown by gtest when a comparison fails.
inline void PrintTo(const Move &m, std::ostream *os) {
    *os << notation(m);
    if (m.captured) *os << " taking";
    for (Bits b = m.captured; b; b &= b - 1) *os << ' ' << lowest_square(b);
}
} // namespace draughts
