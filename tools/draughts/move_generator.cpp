// move_generator.cpp - captures first (they are compulsory), else the quiet moves of men and kings.
#include "draughts/move_generator.h"

#include "draughts/capture_search.h"

namespace draughts {

namespace {

// The two directions a man of the side to move steps in.
struct Forward {
    int left, right;
};
constexpr Forward forward_of(Side s) { return s == Side::white ? Forward{-5, -6} : Forward{5, 6}; }

// Every square a king on `king` can slide to in direction `d`.
Bits king_ray(Bits king, int d, Bits empty) {
    Bits reach = 0;
    for (Bits x = step(king, d) & empty; x; x = step(x, d) & empty) reach |= x;
    return reach;
}

void add_steps(Bits targets, int d, MoveList &moves) {
    for (; targets; targets &= targets - 1) {
        const int to = std::countr_zero(targets);
        moves.push(
            Move{0, static_cast<std::uint8_t>(square_of_bit(to - d)), static_cast<std::uint8_t>(square_of_bit(to))});
    }
}

} // namespace

void generate_moves(const Position &position, MoveList &moves) {
    if (find_captures(position, moves) > 0) return;
    const Bits own = position.pieces[static_cast<int>(position.to_move)];
    const Bits men = own & ~position.kings;
    const Bits empty = position.empty();
    const Forward f = forward_of(position.to_move);
    add_steps(step(men, f.left) & empty, f.left, moves);
    add_steps(step(men, f.right) & empty, f.right, moves);
    for (Bits kings = own & position.kings; kings; kings &= kings - 1) {
        const Bits king = lowest(kings);
        const auto from = static_cast<std::uint8_t>(lowest_square(king));
        for (int d : directions)
            for (Bits to = king_ray(king, d, empty); to; to &= to - 1)
                moves.push(Move{0, from, static_cast<std::uint8_t>(lowest_square(to))});
    }
}

int count_moves(const Position &position) {
    MoveList captures;
    if (find_captures(position, captures) > 0) return captures.size();
    const Bits own = position.pieces[static_cast<int>(position.to_move)];
    const Bits men = own & ~position.kings;
    const Bits empty = position.empty();
    const Forward f = forward_of(position.to_move);
    int n = count(step(men, f.left) & empty) + count(step(men, f.right) & empty);
    for (Bits kings = own & position.kings; kings; kings &= kings - 1)
        for (int d : directions) n += count(king_ray(lowest(kings), d, empty));
    return n;
}

} // namespace draughts
