// search.cpp - fixed-depth negamax with alpha-beta, a capture extension at the
// leaves, and iterative deepening at the root to order the moves.
#include "draughts/search.h"

#include <algorithm>
#include <vector>

#include "draughts/evaluation.h"
#include "draughts/move_generator.h"
#include "draughts/splitmix64.h"

namespace draughts {

namespace {

// Above any evaluation; a loss found `ply` plies ahead scores -(win_score - ply),
// so that the search prefers the quickest win and the slowest loss.
constexpr int win_score = 1'000'000;
constexpr int infinity = win_score + 1;
// How many plies past the nominal depth a run of compulsory captures may go on.
// Every capture takes a piece, so a run ends by itself within 40 plies; the
// bound keeps the cost of a leaf small all the same.  It is counted from the
// full depth, also in the shallower iterations of the iterative deepening.
constexpr int capture_extension = 16;
constexpr int max_depth = 64;
constexpr int max_ply = max_depth + capture_extension + 1;

bool is_capture(const Move &m) { return m.captured != 0; }

class Searcher {
public:
    explicit Searcher(int depth) : ply_limit_(depth + capture_extension) {}

    int negamax(const Position &position, int depth, int ply, int alpha, int beta);

private:
    int search_moves(const Position &position, const MoveList &moves, int depth, int ply, int alpha, int beta);

    int ply_limit_;
    // Per ply, the move that last refuted a sibling: in a neighbouring branch it
    // is often good again, and trying it first prunes the most.
    Move killer_[max_ply] = {};
};

int Searcher::negamax(const Position &position, int depth, int ply, int alpha, int beta) {
    MoveList moves;
    generate_moves(position, moves);
    if (moves.empty()) return -(win_score - ply);
    // Captures are compulsory: when one is possible every legal move captures.
    const bool must_capture = is_capture(moves[0]);
    if (depth <= 0 && (!must_capture || ply >= ply_limit_)) return evaluate(position);
    return search_moves(position, moves, depth, ply, alpha, beta);
}

int Searcher::search_moves(const Position &position, const MoveList &moves, int depth, int ply, int alpha, int beta) {
    const Move killer = killer_[ply];
    const bool has_killer = std::find(moves.begin(), moves.end(), killer) != moves.end();
    int best = -infinity;
    // The killer first (index -1), then the rest in the generator's order.
    for (int i = has_killer ? -1 : 0; i < moves.size(); ++i) {
        if (i >= 0 && has_killer && moves[i] == killer) continue;
        const Move &move = i < 0 ? killer : moves[i];
        const int score = -negamax(play(position, move), depth - 1, ply + 1, -beta, -alpha);
        if (score <= best) continue;
        best = score;
        if (score > alpha) alpha = score;
        if (alpha >= beta) {
            killer_[ply] = move;
            break;
        }
    }
    return best;
}

struct RootMove {
    Move move;
    int score;
};

// One iteration at the root.  Each move after the first is searched with a
// window just below the best score so far, so that a move scoring the same as
// the best gets its exact score and can be told apart from a worse one.
int search_root(Searcher &searcher, const Position &position, std::vector<RootMove> &root, int depth) {
    int best = -infinity;
    for (RootMove &entry : root) {
        const int alpha = best == -infinity ? -infinity : best - 1;
        entry.score = -searcher.negamax(play(position, entry.move), depth - 1, 1, -infinity, -alpha);
        best = std::max(best, entry.score);
    }
    // Best first for the next iteration; stable, so that ties keep their order.
    std::stable_sort(root.begin(), root.end(), [](const RootMove &a, const RootMove &b) { return a.score > b.score; });
    return best;
}

} // namespace

Move choose_move(const Position &position, int depth, std::uint64_t seed) {
    MoveList moves;
    generate_moves(position, moves);
    if (moves.empty()) return Move{};
    SplitMix64 random(seed);
    if (moves.size() == 1) return moves[0];
    if (depth <= 0) return moves[random.below(moves.size())];
    depth = std::min(depth, max_depth);

    std::vector<RootMove> root;
    for (const Move &m : moves) root.push_back(RootMove{m, 0});
    Searcher searcher(depth);
    int best = 0;
    for (int d = 1; d <= depth; ++d) best = search_root(searcher, position, root, d);

    // The moves scoring the best are at the front.
    int tied = 0;
    while (tied < static_cast<int>(root.size()) && root[static_cast<std::size_t>(tied)].score == best) ++tied;
    return root[static_cast<std::size_t>(random.below(tied))].move;
}

} // namespace draughts
