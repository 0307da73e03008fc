// ending.cpp - the names of the ways a game ends.
#include "draughts/ending.h"

namespace draughts {

const char *ending_name(Ending ending) {
    switch (ending) {
    case Ending::none: return "unfinished";
    case Ending::no_legal_move: return "no legal move";
    case Ending::threefold_repetition: return "threefold repetition";
    case Ending::sixteen_move_rule: return "16-move rule";
    case Ending::five_move_rule: return "5-move rule";
    case Ending::twenty_five_move_rule: return "25-move rule";
    case Ending::illegal_move: return "illegal move";
    case Ending::lost_link: return "lost link";
    case Ending::game_end_message: return "game end message";
    case Ending::time_forfeit: return "time forfeit";
    case Ending::max_plies: return "adjudicated at max plies";
    }
    return "unknown";
}

const char *ending_pdn_text(Ending ending) {
    switch (ending) {
    case Ending::none: return "unterminated";
    case Ending::illegal_move: return "rules infraction";
    case Ending::lost_link: return "abandoned";
    case Ending::time_forfeit: return "time forfeit";
    case Ending::max_plies: return "adjudication";
    default: return "normal";
    }
}

} // namespace draughts
