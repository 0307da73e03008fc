// game.h - a game as a referee follows it: every claimed move judged, the
// legal ones (and the illegal ones that can be carried out) played, and the
// result by the rules: a side with no legal move has lost, and the draw rules
// of draw_rules.h (repetition, the endgame counts, the run of king moves) end
// the game in a draw.
#pragma once

#include <string>
#include <vector>

#include "draughts/draw_rules.h"
#include "draughts/ending.h"
#include "draughts/position.h"

namespace draughts {

enum class Result : std::uint8_t { unfinished, white_wins, black_wins, draw };

// As PDN writes it: "*", "2-0", "0-2", "1-1".
const char *result_text(Result result);

// What the referee made of one claimed move.  `why` is empty for a legal move.
struct Verdict {
    bool legal = false;
    bool played = false; // legal, or illegal but possible on the board (move_check.h)
    std::string why;
};

// One claimed move as it was judged, with the position it was claimed in.
struct Ply {
    Side side;
    Move move;
    Verdict verdict;
    Position before;
};

class Game {
public:
    Game() : Game(Position::initial()) {}
    explicit Game(const Position &start);

    // Why `side` may not play `move` now (empty when it may), without playing it.
    std::string objection(Side side, const Move &move) const;

    // Judges the move, records it, and plays it when legal or at least
    // possible.  A move out of turn or after the end is recorded, not played.
    // A move that cannot even be carried out ends the following of the game:
    // from then on the position is unknown, and claims are ignored.
    Verdict claim(Side side, const Move &move);

    // claim() as an arbiter judges: an illegal claim made while the game goes
    // on (and is followed) ends it, lost for the side that made the claim,
    // with ending illegal_move, whatever the board says once the move is
    // carried out: a position an illegal move reached decides nothing.
    Verdict claim_as_arbiter(Side side, const Move &move);

    // Stops following the game, for a reason outside the moves (a take-back).
    void stop(const std::string &reason);

    // Ends the game off the board (an illegal move, a lost link, a program's
    // game end, a time forfeit, adjudication) with the given result; a game
    // the rules have already ended keeps its result and ending.
    void end(Ending ending, Result result);

    const Position &start() const { return start_; }
    const Position &position() const { return position_; }
    const std::vector<Ply> &plies() const { return plies_; }
    Result result() const { return result_; }
    bool following() const { return stop_reason_.empty(); }
    const std::string &stop_reason() const { return stop_reason_; }
    int king_plies() const { return counts_.king_plies(); }
    const DrawCounts &draw_counts() const { return counts_; }
    Ending ending() const { return ending_; }

    // How a finished game ended: "Z has no legal move", the draw rule, or the
    // ending recorded off the board.
    std::string how_it_ended() const;

private:
    Position start_;
    Position position_;
    std::vector<Ply> plies_;
    Result result_ = Result::unfinished;
    Ending ending_ = Ending::none;
    DrawCounts counts_;
    std::string stop_reason_;
};

// The result of a position reached with `king_plies` king moves in a row, by
// the no-legal-move and 25-move rules alone (Game applies every rule).
Result result_of(const Position &position, int king_plies);

} // namespace draughts
