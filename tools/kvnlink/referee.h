// referee.h - follows the game that a request and its accept start, judges every move, and keeps its record.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "draughts/game.h"
#include "end_codes.h"
#include "kvn.h"
#include "live_state.h"
#include "printer.h"

namespace kvnlink {

// The two ends of an exchange are parties 0 and 1: in a session, this kvnlink
// (what it sends) and its peer (what it receives); in a bridge, its two links.
class Referee {
public:
    // `pdn_path` empty: no record is written.
    Referee(Printer &out, std::string pdn_path);
    ~Referee();
    Referee(const Referee &) = delete;
    Referee &operator=(const Referee &) = delete;

    // A message that went by from `party`.  For a move of the followed game,
    // the verdict (already reported on an "!!" line when illegal).
    std::optional<draughts::Verdict> see(int party, const kvn_message &message);

    // Why `party` may not send this move now; empty when it may, or when no game is followed.
    std::string objection(int party, const kvn_move &move) const;

    // What each game end reason code means from now on (--end-codes); by default every code means nothing.
    void set_end_codes(const EndCodes &codes) { end_codes_ = codes; }

    // Every game it follows is published on board 1 of `live` (null: none), which must outlive it.
    void set_live(LiveState *live) { live_ = live; }

    // Ends the followed game here, writing its record.  `ending` is how it
    // ended when the rules have not ended it (a lost link); none leaves it
    // unfinished (quit, the end of input, a new request).
    void close(const std::string &why, draughts::Ending ending = draughts::Ending::none);

    void print_board() const;

    // The followed game, or null; the side `party` plays in it.
    const draughts::Game *game() const;
    draughts::Side side_of(int party) const;

private:
    struct Followed;
    void start(int accepting_party, const kvn_message &accept);
    void report(int party, const kvn_move &move, const draughts::Verdict &v);
    void report_end(const std::string &how = {});
    void end_by_message(int party, const kvn_game_end &end);
    void write_record();
    void publish_move(const draughts::Position &before, const draughts::Move &move);
    void publish_verdict(const std::string &text) const;

    Printer &out_;
    std::string pdn_path_;
    std::optional<kvn_message> request_; // the request still waiting for its accept
    int requester_ = 0;
    EndCodes end_codes_{};
    std::unique_ptr<Followed> game_;
    LiveState *live_ = nullptr;
};

// kvnlink's moves as records: time 0 (kvnlink gives the field no meaning), taken squares in ascending order.
kvn_message move_message(const draughts::Move &move);

// The record's squares as a move; false when one lies outside 1..50 (a received bad square reads as 0).
bool move_from_record(const kvn_move &record, draughts::Move &move);

} // namespace kvnlink
