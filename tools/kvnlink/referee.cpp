// referee.cpp - following a game through its messages: start, verdicts and the end; pdn_file.cpp keeps the record.
#include "referee.h"

#include <cstring>

#include "draughts/fen.h"
#include "draughts/move_check.h"
#include "draughts/pdn.h"
#include "message_text.h"
#include "pdn_file.h"
#include "draughts/square_string.h"

namespace kvnlink {

namespace {

using draughts::Side;

} // namespace

struct Referee::Followed {
    draughts::Game game;
    draughts::PdnTags tags;
    Side requester_side = Side::white;
    int requester = 0;
    bool over_reported = false;
};

Referee::Referee(Printer &out, std::string pdn_path) : out_(out), pdn_path_(std::move(pdn_path)) {}
Referee::~Referee() = default;

const draughts::Game *Referee::game() const { return game_ ? &game_->game : nullptr; }

Side Referee::side_of(int party) const {
    if (!game_) return Side::white;
    return party == game_->requester ? game_->requester_side : draughts::opponent_of(game_->requester_side);
}

std::optional<draughts::Verdict> Referee::see(int party, const kvn_message &m) {
    switch (m.type) {
    case KVN_GAME_REQUEST:
        if (game_) close("a new game request");
        request_ = m;
        requester_ = party;
        return std::nullopt;
    case KVN_GAME_ACCEPT:
        // kvnlink gives the accept code no meaning: any accept from the other party starts the game.
        if (request_ && party != requester_) start(party, m);
        return std::nullopt;
    case KVN_GAME_END:
        if (!game_) return std::nullopt;
        end_by_message(party, m.u.game_end);
        close("a game end", draughts::Ending::game_end_message);
        return std::nullopt;
    case KVN_BACK_ACCEPT:
        // Whether the take-back happened is in the accept code, which kvnlink does not read.
        if (game_ && game_->game.following()) {
            game_->game.stop("a take-back was answered");
            publish_verdict("not following: a take-back was answered");
            out_.status("not_following", "not following this game any further: a take-back was answered, "
                                         "and kvnlink gives its code no meaning");
        }
        return std::nullopt;
    case KVN_MOVE: break;
    default: return std::nullopt;
    }
    if (!game_ || !game_->game.following()) return std::nullopt;
    draughts::Game &game = game_->game;
    draughts::Move move{};
    if (!move_from_record(m.u.move, move)) {
        game.stop("a move named a square outside 1-50");
        game.end(draughts::Ending::illegal_move,
                 side_of(party) == Side::white ? draughts::Result::black_wins : draughts::Result::white_wins);
        out_.status("not_following", "not following this game any further: a move named a square outside 1-50");
        publish_verdict("a move named a square outside 1-50");
        report_end();
        return draughts::Verdict{false, false, "names a square outside 1-50"};
    }
    const draughts::Position before = game.position();
    const draughts::Verdict v = game.claim_as_arbiter(side_of(party), move);
    if (v.played) publish_move(before, move);
    report(party, m.u.move, v);
    return v;
}

void Referee::report(int party, const kvn_move &m, const draughts::Verdict &v) {
    const draughts::Game &game = game_->game;
    const char side = draughts::side_letter(side_of(party));
    if (!v.legal) {
        draughts::Move move{};
        move_from_record(m, move);
        const std::string claimed = draughts::claimed_notation(move);
        const std::string text = std::string("illegal move by ") + side + ": " + claimed + " " + v.why;
        out_.problem("illegal", text,
                     Json{{"side", std::string(1, side)}, {"move", claimed}, {"reason", v.why}, {"played", v.played}});
        publish_verdict(text);
    }
    if (!game.following()) {
        out_.status("not_following", "not following this game any further: " + game.stop_reason());
        publish_verdict("not following this game any further: " + game.stop_reason());
    }
    report_end();
}

// "game over: threefold repetition (the same position for the third time); a draw, 1-1".
void Referee::report_end(const std::string &how) {
    const draughts::Game &game = game_->game;
    if (game.result() == draughts::Result::unfinished || game_->over_reported) return;
    game_->over_reported = true;
    const std::string result = draughts::result_text(game.result());
    const std::string ending = draughts::ending_name(game.ending());
    const std::string reason = how.empty() ? game.how_it_ended() : how;
    std::string winner;
    if (game.result() == draughts::Result::white_wins) winner = "W";
    if (game.result() == draughts::Result::black_wins) winner = "Z";
    const std::string text = "game over: " + ending + (reason == ending ? "" : " (" + reason + ")") + "; " +
                             (winner.empty() ? std::string("a draw") : winner + " wins") + ", " + result;
    out_.status("game_over", text,
                Json{{"result", result}, {"winner", winner}, {"ending", ending}, {"reason", reason}});
    if (live_ != nullptr) live_->game_over(0, result, text);
}

// Under --end-codes, a resign or draw decides a game the rules have not ended yet.
void Referee::end_by_message(int party, const kvn_game_end &end) {
    draughts::Game &game = game_->game;
    const bool known = end.reason >= 0 && end.reason < static_cast<int>(end_codes_.size());
    const EndMeaning meaning = known ? end_codes_[static_cast<size_t>(end.reason)] : EndMeaning::none;
    if (meaning == EndMeaning::none || game.result() != draughts::Result::unfinished) return;
    game.end(draughts::Ending::game_end_message, end_result(meaning, side_of(party)));
    report_end("reason " + std::to_string(end.reason) + " from " + draughts::side_letter(side_of(party)) + ": " +
               end_meaning_name(meaning));
}

std::string Referee::objection(int party, const kvn_move &m) const {
    if (!game_ || !game_->game.following()) return {};
    draughts::Move move{};
    if (!move_from_record(m, move)) return "names a square outside 1-50";
    const std::string why = game_->game.objection(side_of(party), move);
    return why.empty() ? why : draughts::claimed_notation(move) + " " + why;
}

void Referee::start(int accepting_party, const kvn_message &accept) {
    const kvn_game_request &r = request_->u.game_request;
    std::string error;
    const auto position = draughts::parse_square_string(r.side_to_move, std::string_view(r.squares, 50), error);
    request_.reset();
    if (!position) {
        out_.status("not_following", "not following this game: " + error);
        return;
    }
    game_ = std::make_unique<Followed>();
    game_->game = draughts::Game(*position);
    game_->requester = 1 - accepting_party;
    // The request's colour is the requester's side; the library sends anything but Z as W.
    game_->requester_side = (r.colour == 'Z' || r.colour == 'z') ? Side::black : Side::white;
    const std::string requester = field_text(r.name, sizeof r.name);
    const std::string accepter = field_text(accept.u.game_accept.name, sizeof accept.u.game_accept.name);
    const bool requester_white = game_->requester_side == Side::white;
    game_->tags = {"kvnlink game", pdn_date_today(), requester_white ? requester : accepter,
                   requester_white ? accepter : requester};
    out_.status("game_start",
                "following the game: W " + game_->tags.white + ", Z " + game_->tags.black + ", " +
                    draughts::side_letter(position->to_move) + " to move",
                Json{{"white", game_->tags.white}, {"black", game_->tags.black}, {"fen", draughts::to_fen(*position)}});
    if (live_ != nullptr)
        live_->game_started(0, "the followed game", game_->tags.white, game_->tags.black, draughts::to_fen(*position),
                            -1);
    report_end(); // a position with no legal move is over at once
}

void Referee::close(const std::string &why, draughts::Ending ending) {
    if (!game_) return;
    game_->game.end(ending, draughts::Result::unfinished); // a game already over keeps its ending
    const draughts::Ending how = game_->game.ending();
    const std::string result = draughts::result_text(game_->game.result());
    const std::string text =
        "game closed by " + why + ", result " + result +
        (how == draughts::Ending::none ? "" : std::string(" (") + draughts::ending_name(how) + ")");
    out_.status("game_closed", text, Json{{"result", result}, {"ending", draughts::ending_name(how)}});
    if (live_ != nullptr && !game_->over_reported) live_->game_over(0, result, text);
    write_record();
    game_.reset();
}

void Referee::write_record() {
    if (pdn_path_.empty()) return;
    if (!append_pdn(pdn_path_, game_->tags, game_->game)) out_.error("could not write the game to " + pdn_path_);
    else out_.status("pdn", "game written to " + pdn_path_, Json{{"file", pdn_path_}});
}

void Referee::publish_move(const draughts::Position &before, const draughts::Move &move) {
    if (live_ == nullptr) return;
    LiveMove shown;
    shown.notation = draughts::pdn_move(before, move);
    shown.from = move.from;
    shown.to = move.to;
    shown.fen = draughts::to_fen(game_->game.position());
    live_->moved(0, shown);
}

void Referee::publish_verdict(const std::string &text) const {
    if (live_ != nullptr) live_->verdict(0, text);
}

void Referee::print_board() const {
    if (!game_) {
        out_.status("board", "no game is being followed");
        return;
    }
    const draughts::Position &p = game_->game.position();
    const std::string squares = draughts::square_string(p);
    char cells[50];
    for (int i = 0; i < 50; ++i) cells[i] = squares[static_cast<size_t>(i)];
    out_.board(draughts::side_letter(p.to_move), cells, draughts::to_fen(p));
}

kvn_message move_message(const draughts::Move &move) {
    kvn_message m{};
    m.type = KVN_MOVE;
    m.u.move.from_square = move.from;
    m.u.move.to_square = move.to;
    for (draughts::Bits b = move.captured; b; b &= b - 1)
        m.u.move.captured[m.u.move.capture_count++] = static_cast<int16_t>(draughts::lowest_square(b));
    return m;
}

// The record's squares as a move; false when one lies outside 1..50 (a received bad square reads as 0).
bool move_from_record(const kvn_move &m, draughts::Move &out) {
    const auto valid = [](int s) { return s >= 1 && s <= draughts::square_count; };
    if (!valid(m.from_square) || !valid(m.to_square) || m.capture_count < 0 || m.capture_count > 20) return false;
    out = draughts::Move{0, static_cast<std::uint8_t>(m.from_square), static_cast<std::uint8_t>(m.to_square)};
    for (int i = 0; i < m.capture_count; ++i) {
        if (!valid(m.captured[i])) return false;
        out.captured |= draughts::square_bit(m.captured[i]);
    }
    return true;
}

} // namespace kvnlink
