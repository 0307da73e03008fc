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

Game::Game(const Position &start) : start_(start), position_(start), result_(result_of(start, 0)) {}

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
    // The draw count runs on king moves that take nothing; a man's move or a capture resets it.
    const bool king_move = (position_.kings & square_bit(move.from)) != 0;
    king_plies_ = king_move && move.captured == 0 ? king_plies_ + 1 : 0;
    position_ = play(position_, move);
    result_ = result_of(position_, king_plies_);
    return v;
}

void Game::stop(const std::string &reason) {
    if (following()) stop_reason_ = reason.empty() ? "no reason given" : reason;
}

std::string Game::how_it_ended() const {
    switch (result_) {
    case Result::white_wins:
    case Result::black_wins: return std::string(1, side_letter(position_.to_move)) + " has no legal move";
    case Result::draw:
        return std::to_string(drawing_king_plies / 2) + " moves by each side made by kings without a capture";
    case Result::unfinished: break;
    }
    return "the game is not over";
}

} // namespace draughts
