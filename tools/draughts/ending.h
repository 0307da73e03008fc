// ending.h - how a game ended: by the rules on the board, or by something off
// it that kvnlink records (an illegal move, a lost link, a program's end).
#pragma once

#include <cstdint>

namespace draughts {

enum class Ending : std::uint8_t {
    none, // the game goes on
    // Decided by the rules on the board (game.h follows them).
    no_legal_move,
    threefold_repetition,
    sixteen_move_rule,
    five_move_rule,
    twenty_five_move_rule,
    // Decided off the board; Game::end records them.
    illegal_move,
    lost_link,
    game_end_message,
    time_forfeit,
    max_plies,
};

// A short name that stays the same from release to release, for output lines,
// JSON and the PDN Termination tag: "threefold repetition", "16-move rule".
const char *ending_name(Ending ending);

// The kind of ending in the words PDN readers usually expect in a Termination
// tag: "normal", "rules infraction", "abandoned", "time forfeit",
// "adjudication", or "unterminated" for a game that goes on.
const char *ending_pdn_text(Ending ending);

// True for the endings the rules decide on the board.
constexpr bool by_the_rules(Ending e) { return e >= Ending::no_legal_move && e <= Ending::twenty_five_move_rule; }

} // namespace draughts
