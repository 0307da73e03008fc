// sparring.cpp - the sparring partner's choices, one message at a time.
#include "sparring.h"

#include <cstring>

#include "draughts/move_generator.h"
#include "draughts/search.h"

namespace kvnlink {

namespace {
const char accept_name[] = "kvnlink";
}

Sparring::Sparring(const Referee &referee, int party, std::uint64_t seed, std::optional<kvn_message> request, int depth)
    : referee_(referee), party_(party), random_(seed), depth_(depth), request_(request) {}

void Sparring::observe(int party, const kvn_message &m) {
    if (m.type == KVN_GAME_REQUEST && party != party_ && !request_) {
        // Every request starts a new game (the referee has closed any game in progress).
        must_accept_ = true;
        playing_ = end_sent_ = end_received_ = false;
    }
    if (m.type == KVN_GAME_ACCEPT && referee_.game() != nullptr) playing_ = true;
    if (m.type == KVN_GAME_END) {
        if (playing_ && !game_over()) ++games_ended_;
        (party == party_ ? end_sent_ : end_received_) = true;
    }
}

std::optional<kvn_message> Sparring::next() {
    if (request_ && !request_sent_) {
        request_sent_ = true;
        return request_;
    }
    if (must_accept_) {
        must_accept_ = false;
        kvn_message accept{};
        accept.type = KVN_GAME_ACCEPT;
        std::memcpy(accept.u.game_accept.name, accept_name, sizeof accept_name);
        accept.u.game_accept.accept_code = 0;
        return accept;
    }
    const draughts::Game *game = referee_.game();
    if (!playing_ || game_over() || game == nullptr) return std::nullopt;
    // Over by the rules, or no longer followable: either way kvnlink cannot go on playing.
    if (game->result() != draughts::Result::unfinished || !game->following()) {
        kvn_message end{};
        end.type = KVN_GAME_END;
        return end;
    }
    if (game->position().to_move != referee_.side_of(party_)) return std::nullopt;
    // The search breaks ties by a seed of its own, drawn afresh for every move.
    if (depth_ > 0) return move_message(draughts::choose_move(game->position(), depth_, random_.next()));
    draughts::MoveList legal;
    draughts::generate_moves(game->position(), legal);
    const auto pick = static_cast<int>(random_.next() % static_cast<std::uint64_t>(legal.size()));
    return move_message(legal[pick]);
}

} // namespace kvnlink
