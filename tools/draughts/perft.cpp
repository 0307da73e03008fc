// perft.cpp - a plain recursive count whose last ply only counts the moves, without playing them.
#include "draughts/perft.h"

#include <algorithm>

#include "draughts/move_generator.h"
#include "draughts/move_text.h"

namespace draughts {

std::uint64_t perft(const Position &position, int depth) {
    if (depth <= 0) return 1;
    if (depth == 1) return static_cast<std::uint64_t>(count_moves(position));
    MoveList moves;
    generate_moves(position, moves);
    std::uint64_t n = 0;
    for (const Move &m : moves) n += perft(play(position, m), depth - 1);
    return n;
}

std::vector<DivideEntry> perft_divide(const Position &position, int depth) {
    std::vector<DivideEntry> entries;
    if (depth <= 0) return entries;
    MoveList moves;
    generate_moves(position, moves);
    for (const Move &m : moves)
        entries.push_back({m, perft(play(position, m), depth - 1), distinct_notation(position, moves, m)});
    // In board order, so that two programs' lists can be compared line by line.
    std::sort(entries.begin(), entries.end(), [](const DivideEntry &a, const DivideEntry &b) {
        if (a.move.from != b.move.from) return a.move.from < b.move.from;
        return a.move.to != b.move.to ? a.move.to < b.move.to : a.move.captured < b.move.captured;
    });
    return entries;
}

} // namespace draughts
