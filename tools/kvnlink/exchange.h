// exchange.h - one link as a party of a refereed game: what goes out and comes in on its slot is shown and judged.
#pragma once

#include <string>

#include "kvn.h"
#include "printer.h"
#include "referee.h"

namespace kvnlink {

class Exchange {
public:
    // `self` is the referee's party for what this side sends, `peer` for what arrives.
    Exchange(int32_t slot, int self, int peer, Printer &out, Referee &referee)
        : slot_(slot), self_(self), peer_(peer), out_(out), referee_(referee) {}

    // Sends, prints and judges the message; `raw_text` is the wire text the user
    // typed, if any, so that a re-encoding that differs from it is pointed out.
    void send(const kvn_message &message, const std::string &raw_text = {});

    // Fetches, prints and judges the message whose arrival was notified.
    kvn_message receive();

    // The peer has gone: told, the game closed; returns kvnlink's exit status for it.
    int lost();

private:
    int32_t slot_;
    int self_, peer_;
    Printer &out_;
    Referee &referee_;
};

} // namespace kvnlink
