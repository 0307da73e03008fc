// game.cpp - following a game move by move, and when it is over.
#include "draughts/game.h"

#include "draughts/move_check.h"
#include "draughts/move_generator.h"
#include "draughts/square_string.h"

namespace draughts {

const char *result_text(Result result) {
    switch (result) {
    case Result::white_wins: return "2-0";
    case Result::black_wins: return "0-2";
    case Result::draw: return "1-1";
    case Result::unfinished: break;
    }
    return "*";
}

Result result_of(const Position &position, int king_plies) {
    // No legal move loses even on the ply that would complete the draw count.
    if (count_moves(position) == 0) return position.to_move == Side::white ? Result::black_wins : Result::white_wins;
    return king_plies >= drawing_king_plies ? Result::draw : Result::unfinished;
}

Game::Game(const Position &start) : start_(start), position_(start), result_(result_of(start, 0)), counts_(start) {
    if (result_ != Result::unfinished) ending_ = Ending::no_legal_move;
}

std::string Game::objection(Side side, const Move &move) const {
    if (!following()) return "is not judged: the game is no longer followed";
    if (result_ != Result::unfinished) return "comes after the end of the game";
    if (side != position_.to_move)
        return std::string("is out of turn: ") + side_letter(position_.to_move) + " is to move";
    return why_illegal(position_, move);
}

Verdict Game::claim(Side side, const Move &move) {
    Verdict v;
    v.why = objection(side, move);
    if (!following()) return v;
    v.legal = v.why.empty();
    const bool in_turn = result_ == Result::unfinished && side == position_.to_move;
    v.played = v.legal || (in_turn && is_possible(position_, move));
    plies_.push_back(Ply{side, move, v, position_});
    if (in_turn && !v.played) {
        stop_reason_ = "the move cannot be carried out on the board";
        return v;
    }
    if (!v.played) return v;
    const Position before = position_;
    position_ = play(position_, move);
    const Ending draw = counts_.count(before, move, position_);
    // No legal move loses even on the ply that would complete a draw count.
    result_ = result_of(position_, 0);
    if (result_ != Result::unfinished) ending_ = Ending::no_legal_move;
    else if (draw != Ending::none) {
        result_ = Result::draw;
        ending_ = draw;
    }
    return v;
}

Verdict Game::claim_as_arbiter(Side side, const Move &move) {
    const bool in_play = following() && result_ == Result::unfinished;
    Verdict v = claim(side, move);
    if (in_play && !v.legal) {
        result_ = side == Side::white ? Result::black_wins : Result::white_wins;
        ending_ = Ending::illegal_move;
    }
    return v;
}

void Game::end(Ending ending, Result result) {
    if (result_ != Result::unfinished || ending == Ending::none) return;
    result_ = result;
    ending_ = ending;
}

void Game::stop(const std::string &reason) {
    if (following()) stop_reason_ = reason.empty() ? "no reason given" : reason;
}

std::string Game::how_it_ended() const {
    switch (ending_) {
    case Ending::none: return "the game is not over";
    case Ending::no_legal_move: return std::string(1, side_letter(position_.to_move)) + " has no legal move";
    case Ending::threefold_repetition: return "the same position for the third time";
    case Ending::sixteen_move_rule: return "16 moves by each side in an endgame against a lone king";
    case Ending::five_move_rule: return "5 moves by each side in an endgame against a lone king";
    case Ending::twenty_five_move_rule:
        return std::to_string(drawing_king_plies / 2) + " moves by each side made by kings without a capture";
    default: break;
    }
    return ending_name(ending_);
}

} // namespace draughts
