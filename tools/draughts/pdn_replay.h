// pdn_replay.h - the games of a PDN file replayed by the rules: which moves
// are legal, how the game ends by the rules, and whether that agrees with the
// result the file gives.
#pragma once

#include <string>

#include "draughts/game.h"
#include "draughts/pdn_file.h"

namespace draughts {

struct PdnReplay {
    Game game;                          // as far as it could be replayed
    int plies = 0;                      // moves replayed, kvnlink's recorded illegal moves included
    bool legal = true;                  // every move of the main line named a legal move
    std::string problem;                // why not: "line 12, ply 7: '16x8' is no legal move"
    int problem_ply = 0;                // 1 for the first move
    int problem_line = 0;               // 0 when the problem is no move's (a bad FEN tag)
    int moves_after_end = 0;            // moves written after the rules had ended the game, not replayed
    Result result = Result::unfinished; // by the rules
    Ending ending = Ending::none;
    std::string result_tag; // the Result tag as written ("" when absent)
    bool agrees = false;    // the Result tag (or else the result token) says what the rules say
    std::string final_fen;  // the position after the last move replayed
};

// The game of `record` replayed from its FEN tag (or the starting position).
// kvnlink's own comments are replayed too: "{illegal move by W: ...}" as the
// claim it records (the first one made while the game goes on loses it, as
// the referee judged), "{not followed further: ...}" as the end of following.
// A legal game the rules have not ended takes the off-board ending its
// Termination tag names ("lost link", "game end message", ...) with the
// result it gives, when that ending allows that result: a decisive one after
// an illegal move or a time forfeit, any after the others.
PdnReplay replay_pdn(const PdnRecord &record);

} // namespace draughts
