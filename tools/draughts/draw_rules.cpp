// draw_rules.cpp - material classes and the counts that end a game in a draw.
#include "draughts/draw_rules.h"

namespace draughts {

namespace {

struct Material {
    int men = 0;
    int kings = 0;
};

Material material(const Position &p, Side side) {
    const Bits own = p.pieces[static_cast<int>(side)];
    return {count(own & ~p.kings), count(own & p.kings)};
}

bool same_material(const Position &a, const Position &b) {
    for (Side s : {Side::white, Side::black}) {
        const Material x = material(a, s);
        const Material y = material(b, s);
        if (x.men != y.men || x.kings != y.kings) return false;
    }
    return true;
}

// The endgame of `strong` against a lone king on the other side.
Endgame against_lone_king(Material strong) {
    if (strong.kings == 0) return Endgame::none;
    const int pieces = strong.kings + strong.men;
    if (pieces <= 2) return Endgame::five_moves;
    if (pieces == 3) return Endgame::sixteen_moves;
    return Endgame::none;
}

} // namespace

Endgame endgame_of(const Position &position) {
    const Material white = material(position, Side::white);
    const Material black = material(position, Side::black);
    const auto lone_king = [](Material m) { return m.men == 0 && m.kings == 1; };
    if (lone_king(black)) return against_lone_king(white);
    if (lone_king(white)) return against_lone_king(black);
    return Endgame::none;
}

int endgame_ply_limit(Endgame endgame) {
    switch (endgame) {
    case Endgame::sixteen_moves: return 32;
    case Endgame::five_moves: return 10;
    case Endgame::none: break;
    }
    return 0;
}

DrawCounts::DrawCounts(const Position &start) : since_irreversible_{start}, endgame_(endgame_of(start)) {}

int DrawCounts::repetitions() const {
    int n = 0;
    for (const Position &p : since_irreversible_) n += p == since_irreversible_.back() ? 1 : 0;
    return n;
}

Ending DrawCounts::count(const Position &before, const Move &move, const Position &after) {
    const bool king_move = (before.kings & square_bit(move.from)) != 0;
    // A man's move or a capture can never be undone: no earlier position can come back.
    if (!king_move || move.captured != 0) since_irreversible_.clear();
    since_irreversible_.push_back(after);
    king_plies_ = king_move && move.captured == 0 ? king_plies_ + 1 : 0;
    // A capture or a crowning changes the material: the endgame it makes (if
    // any) is counted afresh from the next move on.
    if (same_material(before, after)) {
        if (endgame_ != Endgame::none) ++endgame_plies_;
    } else {
        endgame_ = endgame_of(after);
        endgame_plies_ = 0;
    }
    if (repetitions() >= 3) return Ending::threefold_repetition;
    if (endgame_ != Endgame::none && endgame_plies_ >= endgame_ply_limit(endgame_))
        return endgame_ == Endgame::sixteen_moves ? Ending::sixteen_move_rule : Ending::five_move_rule;
    if (king_plies_ >= drawing_king_plies) return Ending::twenty_five_move_rule;
    return Ending::none;
}

} // namespace draughts
