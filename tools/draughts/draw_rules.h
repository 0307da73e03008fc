// draw_rules.h - the draws the rules declare on the board: the same position
// three times, the short endgame counts, and the long run of king moves.
// docs/rules.md says exactly how each count starts and what restarts it.
#pragma once

#include <vector>

#include "draughts/ending.h"
#include "draughts/position.h"

namespace draughts {

// 25 moves by each side in a row, all made by kings and none taking a piece,
// draw the game: the count of such plies that ends it.
inline constexpr int drawing_king_plies = 50;

// The endgames drawn after a fixed number of moves of each side, by the
// material alone: a lone king against
//  - three kings, two kings and a man, or a king and two men: 16 moves each;
//  - two kings, a king and a man, or a king: 5 moves each.
enum class Endgame : std::uint8_t { none, sixteen_moves, five_moves };

Endgame endgame_of(const Position &position);

// The plies (moves of both sides together) after which the endgame is drawn; 0 for none.
int endgame_ply_limit(Endgame endgame);

// The three counts, kept move by move from the position a game starts from.
class DrawCounts {
public:
    explicit DrawCounts(const Position &start);

    // Counts `move`, played in `before` and giving `after`; the draw that
    // `after` completes, or Ending::none.
    Ending count(const Position &before, const Move &move, const Position &after);

    int king_plies() const { return king_plies_; }
    int endgame_plies() const { return endgame_plies_; }
    Endgame endgame() const { return endgame_; }
    // How often the current position has stood on the board since the last move
    // that can never be undone (a man's move or a capture).
    int repetitions() const;

private:
    std::vector<Position> since_irreversible_; // the current position last
    int king_plies_ = 0;
    Endgame endgame_;
    int endgame_plies_ = 0;
};

} // namespace draughts
