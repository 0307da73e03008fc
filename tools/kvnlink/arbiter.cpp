// arbiter.cpp - refereeing one game between two engines and relaying their moves.
#include "arbiter.h"

#include <chrono>
#include <cstring>

#include "draughts/fen.h"
#include "draughts/move_check.h"
#include "draughts/pdn.h"
#include "draughts/square_string.h"
#include "match/winning_chances.h"
#include "referee.h"

namespace kvnlink {

namespace {

using clock = std::chrono::steady_clock;
using draughts::Ending;
using draughts::Result;
using draughts::Side;

constexpr int white_side = 0;
constexpr int black_side = 1;
// kvnlink's convention: the request's time fields hold whole minutes and moves, 0..999.
constexpr long most_in_a_field = 999;

char letter(int side) { return side == white_side ? 'W' : 'Z'; }

Result win_for(int side) { return side == white_side ? Result::white_wins : Result::black_wins; }

// The request that makes the engine play `side`: the request's colour is the side of the
// one who asks (the arbiter), so it names the other side; the name is the opponent's.
kvn_message request_for(const draughts::Position &start, int side, const std::string &opponent,
                        const std::optional<match::TimeControl> &time) {
    kvn_message m{};
    m.type = KVN_GAME_REQUEST;
    kvn_game_request &r = m.u.game_request;
    r.version = 1;
    std::strncpy(r.name, opponent.c_str(), sizeof r.name - 1);
    r.colour = letter(1 - side);
    if (time) {
        const long minutes = (static_cast<long>(time->time.count()) + 59999) / 60000; // rounded up
        r.thinking_time = static_cast<int16_t>(minutes > most_in_a_field ? most_in_a_field : minutes);
        r.move_count = static_cast<int16_t>(time->moves > most_in_a_field ? most_in_a_field : time->moves);
    }
    r.side_to_move = draughts::side_letter(start.to_move);
    const std::string squares = draughts::square_string(start);
    std::memcpy(r.squares, squares.data(), sizeof r.squares);
    return m;
}

int milliseconds_until(clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

Arbiter::Arbiter(const GameSetup &setup, LaneEngine *white_engine, LaneEngine *black_engine, EventSource &events,
                 LaneInput &input)
    : setup_(setup), engines_{white_engine, black_engine}, events_(events), input_(input) {
    report_.game = draughts::Game(setup.start);
    if (setup.time)
        for (auto &c : clocks_) c.emplace(*setup.time);
}

GameReport Arbiter::play() {
    send_requests();
    if (await_accepts()) play_moves();
    finish();
    return report_;
}

void Arbiter::send_requests() {
    for (int side : {white_side, black_side})
        engines_[side]->send(request_for(setup_.start, side, engines_[1 - side]->name(), setup_.time));
}

Event Arbiter::next_event(int timeout_ms) {
    for (;;) {
        Event e = events_.next(timeout_ms);
        if (e.kind == Event::Kind::line) input_.lines.push_back(e.text);
        else if (e.kind == Event::Kind::end_of_input) input_.ended = true;
        else if (e.kind == Event::Kind::timeout || side_of_slot(e.slot) >= 0) return e;
        if (input_.ended) return Event{};
    }
}

int Arbiter::side_of_slot(intptr_t slot) const {
    for (int side : {white_side, black_side})
        if (engines_[side]->slot() == slot && engines_[side]->linked()) return side;
    return -1; // a slot that is no longer linked: what is left of its old link
}

bool Arbiter::await_accepts() {
    bool accepted[2] = {false, false};
    auto deadline = accept_deadline();
    while (!(accepted[white_side] && accepted[black_side]) && report_.result == Result::unfinished) {
        const Event e = next_event(milliseconds_until(deadline));
        if (input_.ended) return (report_.abandoned = true), false;
        if (e.kind == Event::Kind::timeout) break;
        const int side = side_of_slot(e.slot);
        if (e.wparam == KVN_CONNECTION_LOST) {
            engines_[side]->drop();
            // Before it accepted (an engine that ends after each game may still have
            // been going when the request went out): linked again and asked once more.
            // The other engine keeps its accept; a second request would find it playing.
            if (!accepted[side] && relink(side)) {
                deadline = accept_deadline();
                continue;
            }
            lose(side, Ending::lost_link, "lost its link before accepting");
            continue;
        }
        kvn_message m{};
        kvn_receive_message(engines_[side]->slot(), &m);
        if (m.type == KVN_GAME_ACCEPT) accepted[side] = true;
        // An engine may move at once after its accept, before the other one has accepted.
        if (m.type == KVN_MOVE && accepted[side]) early_moves_.push_back({side, m});
        // A game end here is no answer: it may be the last word of the engine's previous game.
    }
    if (report_.result != Result::unfinished) return false;
    if (!accepted[white_side] && !accepted[black_side])
        decide(Result::draw, Ending::time_forfeit, "neither engine accepted the game in time");
    else if (!accepted[white_side] || !accepted[black_side])
        lose(accepted[white_side] ? black_side : white_side, Ending::time_forfeit, "did not accept in time");
    return report_.result == Result::unfinished;
}

clock::time_point Arbiter::accept_deadline() const {
    return clock::now() +
           std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(setup_.accept_timeout_s));
}

bool Arbiter::relink(int side) {
    if (!setup_.may_relink || relinked_[side]) return false;
    relinked_[side] = true;
    std::string error;
    LaneEngine &engine = *engines_[side];
    if (!engine.ensure_linked(setup_.seed + static_cast<std::uint64_t>(engine.slot()), error)) return false;
    engine.send(request_for(setup_.start, side, engines_[1 - side]->name(), setup_.time));
    return true;
}

void Arbiter::play_moves() {
    draughts::Game &game = report_.game;
    if (game.result() != Result::unfinished) return decide(game.result(), game.ending(), game.how_it_ended());
    const int first = static_cast<int>(game.position().to_move);
    turn_started_ = clock::now();
    if (clocks_[first]) clocks_[first]->start(turn_started_);
    for (const auto &[side, m] : early_moves_)
        if (report_.result == Result::unfinished) on_move(side, m, clock::now());
    while (report_.result == Result::unfinished) {
        const int to_move = static_cast<int>(game.position().to_move);
        int wait_ms = -1;
        if (clocks_[to_move]) {
            const auto left = clocks_[to_move]->remaining(clock::now());
            wait_ms = 1 + static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count());
            if (wait_ms < 1) wait_ms = 0;
        }
        const Event e = next_event(wait_ms);
        const auto now = clock::now();
        if (input_.ended) return void(report_.abandoned = true);
        if (e.kind == Event::Kind::timeout) {
            if (clocks_[to_move] && clocks_[to_move]->flag_fallen(now)) flag_fell(to_move);
            continue;
        }
        const int side = side_of_slot(e.slot);
        if (e.wparam == KVN_CONNECTION_LOST) {
            engines_[side]->drop();
            lose(side, Ending::lost_link, "lost its link");
            continue;
        }
        kvn_message m{};
        kvn_receive_message(engines_[side]->slot(), &m);
        if (m.type == KVN_MOVE) on_move(side, m, now);
        else if (m.type == KVN_GAME_END)
            lose(side, Ending::game_end_message, "sent a game end before the game was over");
    }
}

void Arbiter::on_move(int side, const kvn_message &m, clock::time_point arrived) {
    draughts::Game &game = report_.game;
    draughts::Move move{};
    if (!move_from_record(m.u.move, move)) return lose(side, Ending::illegal_move, "named a square outside 1-50");
    const int to_move = static_cast<int>(game.position().to_move);
    if (side == to_move && clocks_[side] && !clocks_[side]->stop(arrived)) return flag_fell(side);
    const draughts::Position before = game.position();
    const draughts::Verdict verdict = game.claim_as_arbiter(static_cast<Side>(side), move);
    if (!verdict.legal)
        return lose(side, Ending::illegal_move,
                    "made an illegal move: " + draughts::claimed_notation(move) + " " + verdict.why);
    engines_[1 - side]->send(m);
    // A move that came before the game began took no time of the game's.
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(arrived - turn_started_).count();
    report_.move_ms.push_back(std::max<long>(0, static_cast<long>(took)));
    turn_started_ = std::max(turn_started_, arrived);
    tell_move(before, move, arrived);
    if (game.result() != Result::unfinished) return decide(game.result(), game.ending(), game.how_it_ended());
    if (setup_.max_plies > 0 && static_cast<int>(game.plies().size()) >= setup_.max_plies)
        return decide(Result::draw, Ending::max_plies,
                      "adjudicated a draw after " + std::to_string(setup_.max_plies) + " plies");
    if (clocks_[1 - side]) clocks_[1 - side]->start(arrived);
}

void Arbiter::tell_move(const draughts::Position &before, const draughts::Move &move, clock::time_point arrived) const {
    if (!setup_.on_move) return;
    LiveMove news;
    news.notation = draughts::pdn_move(before, move);
    news.from = move.from;
    news.to = move.to;
    news.fen = draughts::to_fen(report_.game.position());
    long *left[2] = {&news.white_ms, &news.black_ms};
    for (int side : {white_side, black_side})
        if (clocks_[side])
            *left[side] = static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(clocks_[side]->remaining(arrived)).count());
    setup_.on_move(news);
}

void Arbiter::decide(Result result, Ending ending, const std::string &text) {
    if (report_.result != Result::unfinished) return;
    // The game keeps an ending decided off the board for its record; the rules' own it has already.
    if (!draughts::by_the_rules(ending)) report_.game.end(ending, result);
    report_.result = result;
    report_.ending = text;
}

void Arbiter::lose(int side, Ending ending, const std::string &why) {
    decide(win_for(1 - side), ending, std::string(1, letter(side)) + " " + why);
}

void Arbiter::flag_fell(int side) {
    const auto opponent = static_cast<Side>(1 - side);
    const std::string fell = std::string(1, letter(side)) + " ran out of time";
    if (match::can_win(report_.game.position(), opponent)) decide(win_for(1 - side), Ending::time_forfeit, fell);
    else decide(Result::draw, Ending::time_forfeit, fell + ", and " + letter(1 - side) + " cannot win: a draw");
}

void Arbiter::finish() {
    if (report_.abandoned) return;
    kvn_message end{};
    end.type = KVN_GAME_END; // kvnlink's convention: reason 0, stop code 0, whatever the result
    for (LaneEngine *engine : engines_) engine->send(end);
    const auto now = clock::now();
    for (int side : {white_side, black_side})
        if (clocks_[side])
            report_.clock_ms[side] = static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(clocks_[side]->remaining(now)).count());
}

} // namespace kvnlink
