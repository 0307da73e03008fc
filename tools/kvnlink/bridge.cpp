// bridge.cpp - two links at once: whatever arrives on one is sent on the other, watched by the referee.
#include "link_open.h"
#include "live_server.h"
#include "notify.h"
#include "printer.h"
#include "referee.h"
#include "slot_guard.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

// Slot 0 is end A, slot 1 end B; each is also the referee's party of that number.
void relay(int32_t from, const BridgeOptions &o, Printer &out, Referee &referee) {
    kvn_message m{};
    kvn_receive_message(from, &m);
    const int32_t to = 1 - from;
    kvn_send_message(to, &m);
    // The verdict goes on the message's own line, ahead of the referee's lines about it.
    std::string verdict;
    const draughts::Game *game = referee.game();
    if (m.type == KVN_MOVE && game != nullptr && game->following())
        verdict = referee.objection(from, m.u.move).empty() ? "legal" : "illegal";
    out.relayed(o.names[from].c_str(), o.names[to].c_str(), m, verdict);
    referee.see(from, m);
}

// After a loss, what had already arrived on either end is still passed on.
void relay_what_arrived(EventSource &events, const BridgeOptions &o, Printer &out, Referee &referee) {
    for (Event rest; (rest = events.next(0)).kind != Event::Kind::timeout;)
        if (rest.kind == Event::Kind::notification && rest.wparam != KVN_CONNECTION_LOST &&
            (rest.slot == 0 || rest.slot == 1))
            relay(static_cast<int32_t>(rest.slot), o, out, referee);
}

} // namespace

int run_bridge(const BridgeOptions &o) {
    Printer out(o.json);
    // The live page first: a port it cannot have stops the bridge before either end is opened.
    std::string error;
    const auto page =
        open_live_page(o.live, "bridge", "kvnlink bridge " + o.addresses[0] + " " + o.addresses[1], error);
    if (!error.empty()) {
        out.error(error);
        return exit_usage;
    }
    if (page) out.status("live", "the live page is at " + page->server->url(), Json{{"url", page->server->url()}});
    EventSource events(true);
    SlotGuard guard_a(0), guard_b(1);
    // One end after the other: a listening end holds the bridge until its peer comes.
    for (int32_t slot = 0; slot < 2; ++slot) {
        out.status("opening", "opening " + o.names[slot] + ", " + o.addresses[slot],
                   Json{{"end", o.names[slot]}, {"address", o.addresses[slot]}});
        if (open_link(slot, o.ends[slot], events, out) != 0) return exit_failed;
    }
    Referee referee(out, o.pdn);
    referee.set_end_codes(o.end_codes);
    referee.set_live(page ? &page->state : nullptr);
    std::string why = "quit";
    draughts::Ending ending = draughts::Ending::none;
    for (;;) {
        const Event e = events.next(-1);
        if (e.kind == Event::Kind::line) {
            if (e.text == "board") referee.print_board();
            else if (e.text == "quit") break;
            else if (!e.text.empty()) out.error("the bridge understands only board and quit");
            continue;
        }
        if (e.kind != Event::Kind::notification || (e.slot != 0 && e.slot != 1)) continue;
        const auto from = static_cast<int32_t>(e.slot);
        if (e.wparam != KVN_CONNECTION_LOST) {
            relay(from, o, out, referee);
            continue;
        }
        why = "a lost link on " + o.names[from];
        ending = draughts::Ending::lost_link;
        out.status("connection_lost", "connection lost on " + o.names[from] + ": the bridge ends",
                   Json{{"end", o.names[from]}});
        relay_what_arrived(events, o, out, referee);
        break;
    }
    referee.close(why, ending);
    out.status("disconnected", "bridge closed");
    return exit_ok;
}

} // namespace kvnlink
