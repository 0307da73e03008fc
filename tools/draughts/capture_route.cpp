// capture_route.cpp - a depth-first search over the taken pieces of one known capture.
#include "draughts/capture_route.h"

namespace draughts {

namespace {

class RouteSearch {
public:
    RouteSearch(const Position &position, const Move &move, const std::vector<int> &through)
        : targets_(move.captured), to_(move.to), through_(through), empty_(position.empty() | square_bit(move.from)),
          king_((position.kings & square_bit(move.from)) != 0) {}

    // Taken pieces stay on the board until the end, so they block the way as they do in play.
    bool from(Bits at, Bits taken, size_t passed) {
        if (taken == targets_) return lowest_square(at) == to_ && passed == through_.size();
        for (int d : directions) {
            Bits ahead = step(at, d);
            while (king_ && (ahead & empty_)) ahead = step(ahead, d);
            const Bits over = ahead & targets_ & ~taken;
            for (Bits land = step(over, d) & empty_; land; land = king_ ? step(land, d) & empty_ : 0) {
                const int square = lowest_square(land);
                const bool waypoint = passed < through_.size() && through_[passed] == square;
                path.push_back(square);
                if (from(land, taken | over, passed + (waypoint ? 1 : 0))) return true;
                path.pop_back();
            }
        }
        return false;
    }

    std::vector<int> path;

private:
    Bits targets_;
    int to_;
    const std::vector<int> &through_;
    Bits empty_;
    bool king_;
};

} // namespace

std::vector<int> capture_route(const Position &position, const Move &move, const std::vector<int> &through) {
    if (move.captured == 0) return {};
    RouteSearch search(position, move, through);
    return search.from(square_bit(move.from), 0, 0) ? search.path : std::vector<int>{};
}

} // namespace draughts
