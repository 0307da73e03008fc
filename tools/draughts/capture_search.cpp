// capture_search.cpp - depth-first search of capture sequences, piece by piece.
#include "draughts/capture_search.h"

namespace draughts {

namespace {

// One search shared by every piece of the side to move, so that the longest
// sequences found so far are kept across pieces.
class CaptureSearch {
public:
    CaptureSearch(Bits opponents, MoveList &moves) : opponents_(opponents), moves_(moves) {}

    int best() const { return best_; }

    void start(Bits piece, Bits empty, bool king) {
        from_ = static_cast<std::uint8_t>(lowest_square(piece));
        empty_ = empty | piece; // the piece has left its square and may come back to it
        if (king) king_from(piece, no_direction, true, 0, 0);
        else man_from(piece, 0, 0);
    }

private:
    static constexpr int no_direction = 0;

    // A man jumps an adjacent piece onto the empty square right behind it.
    void man_from(Bits at, Bits taken, int n) {
        bool went_on = false;
        for (int d : directions) {
            const Bits over = step(at, d) & opponents_ & ~taken;
            const Bits land = step(over, d) & empty_;
            if (land == 0) continue;
            went_on = true;
            man_from(land, taken | over, n + 1);
        }
        if (!went_on && n > 0) record(at, taken, n);
    }

    // A king slides over empty squares to the first piece on its line; if that
    // is an opponent not yet taken with an empty square behind it, the king may
    // stop on any of the empty squares that follow and go on from there.
    // `came` is the direction of the jump that brought it here: going back would
    // meet the piece just taken, and going on straight is searched from the
    // first landing square only, which sees the same pieces ahead as the others
    // (searching it from every landing square would find one move many times).
    void king_from(Bits at, int came, bool may_go_straight, Bits taken, int n) {
        bool went_on = false;
        for (int d : directions) {
            if (came != no_direction && (d == -came || (d == came && !may_go_straight))) continue;
            Bits ahead = step(at, d);
            while (ahead & empty_) ahead = step(ahead, d);
            const Bits over = ahead & opponents_ & ~taken;
            Bits land = step(over, d) & empty_;
            if (land == 0) continue;
            went_on = true;
            for (bool first = true; land != 0; land = step(land, d) & empty_, first = false)
                king_from(land, d, first, taken | over, n + 1);
        }
        if (!went_on && n > 0) record(at, taken, n);
    }

    void record(Bits at, Bits taken, int n) {
        if (n < best_) return;
        if (n > best_) {
            best_ = n;
            moves_.clear();
        }
        const Move m{taken, from_, static_cast<std::uint8_t>(lowest_square(at))};
        // Two routes between the same squares over the same pieces need at least
        // three captures (with two, the order and the turning square follow from
        // the pieces), so shorter ones skip the look-up.
        if (n >= 3 && moves_.contains(m)) return;
        moves_.push(m);
    }

    Bits opponents_;
    MoveList &moves_;
    Bits empty_ = 0;
    int best_ = 0;
    std::uint8_t from_ = 0;
};

// The men that have a piece to jump right now: the cheap test that spares
// most men (and most positions) the search.  Marked inline: the compiler
// otherwise keeps it out of line, which costs perft a few per cent.
inline Bits men_able_to_capture(Bits men, Bits opponents, Bits empty) {
    Bits able = 0;
    for (int d : directions) able |= men & step(opponents & step(empty, -d), -d);
    return able;
}

} // namespace

int find_captures(const Position &position, MoveList &moves) {
    moves.clear();
    const int mover = static_cast<int>(position.to_move);
    const Bits own = position.pieces[mover];
    const Bits opponents = position.pieces[1 - mover];
    const Bits empty = position.empty();
    CaptureSearch search(opponents, moves);
    for (Bits men = men_able_to_capture(own & ~position.kings, opponents, empty); men; men &= men - 1)
        search.start(lowest(men), empty, false);
    for (Bits kings = own & position.kings; kings; kings &= kings - 1) search.start(lowest(kings), empty, true);
    return search.best();
}

} // namespace draughts
