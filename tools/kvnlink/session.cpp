// session.cpp - listen, connect and serial: open one link, then relay typed commands and arrivals under the referee's eye.
#include <algorithm>
#include <chrono>

#include "command.h"
#include "exchange.h"
#include "link_open.h"
#include "live_server.h"
#include "notify.h"
#include "printer.h"
#include "referee.h"
#include "slot_guard.h"
#include "sparring.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

constexpr int32_t slot = 0;
// The referee's parties in a session: what this kvnlink sends, and what its peer does.
constexpr int self = 0;
constexpr int peer = 1;
// After sending its game end, the sparring partner waits this long at most for
// the peer's own end (or the link's loss) before it disconnects.
constexpr int end_grace_ms = 3000;

// A typed move the referee objects to goes out only with --allow-illegal.
bool refused(const Command &c, const LinkOptions &o, Printer &out, const Referee &referee) {
    if (o.allow_illegal || c.message.type != KVN_MOVE) return false;
    const std::string why = referee.objection(self, c.message.u.move);
    if (why.empty()) return false;
    const char side = referee.side_of(self) == draughts::Side::white ? 'W' : 'Z';
    out.problem("refused",
                std::string("not sent: illegal move by ") + side + ": " + why + " (--allow-illegal sends such moves)",
                Json{{"reason", why}});
    return true;
}

// The command summary, one status line per line of it.
void print_help(Printer &out) {
    const std::string text = command_help();
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        out.status("help", text.substr(start, end - start));
        start = end + 1;
    }
}

int converse(const LinkOptions &o, EventSource &events, Printer &out, Referee &referee, Exchange &link) {
    for (;;) {
        const Event e = events.next(-1);
        if (e.kind == Event::Kind::notification) {
            if (e.wparam == KVN_CONNECTION_LOST) return link.lost();
            link.receive();
        } else if (e.kind == Event::Kind::end_of_input) {
            out.status("disconnected", "end of input, disconnected");
            referee.close("the end of input");
            return exit_ok;
        } else if (e.kind == Event::Kind::line) {
            const Command c = parse_line(e.text);
            switch (c.kind) {
            case Command::Kind::send:
                if (!refused(c, o, out, referee)) link.send(c.message, c.raw_text);
                break;
            case Command::Kind::error: out.error(c.error); break;
            case Command::Kind::quit:
                out.status("disconnected", "disconnected");
                referee.close("quit");
                return exit_ok;
            case Command::Kind::board: referee.print_board(); break;
            case Command::Kind::help: print_help(out); break;
            case Command::Kind::empty: break;
            }
        }
    }
}

// --auto: no typed commands; kvnlink answers the peer by itself.  With a request of its own
// it plays that game and ends; answering requests, it plays game after game until the peer leaves.
int spar(const LinkOptions &o, EventSource &events, Printer &out, Referee &referee, Exchange &link) {
    const std::uint64_t seed =
        o.seed ? *o.seed : static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    out.status("sparring", "playing by itself, seed " + std::to_string(seed), Json{{"seed", seed}});
    Sparring player(referee, self, seed, o.request, o.depth);
    const auto play_on = [&] {
        while (const auto m = player.next()) {
            link.send(*m);
            player.observe(self, *m);
        }
    };
    play_on();
    while (!player.done()) {
        const Event e = events.next(-1);
        if (e.kind != Event::Kind::notification) continue;
        if (e.wparam == KVN_CONNECTION_LOST) {
            if (!player.between_games()) return link.lost();
            out.status("disconnected", "the peer has gone between games, disconnected");
            return exit_ok;
        }
        player.observe(peer, link.receive());
        play_on();
    }
    // Waiting for the peer's end (or its leaving) also gives the own end time to go out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(end_grace_ms);
    while (!player.end_received()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const Event e = left.count() > 0 ? events.next(static_cast<int>(left.count())) : Event{};
        if (e.kind != Event::Kind::notification || e.wparam == KVN_CONNECTION_LOST) break;
        player.observe(peer, link.receive());
    }
    out.status("disconnected", "the game is over, disconnected");
    return exit_ok;
}

} // namespace

int run_link(const LinkOptions &options) {
    Printer out(options.json);
    // The live page first: a port it cannot have stops kvnlink before any link is opened.
    std::string error;
    const bool listens = options.mode == LinkOptions::Mode::listen;
    const auto page = open_live_page(options.live, listens ? "listen" : "connect",
                                     listens ? "kvnlink listen" : "kvnlink connect " + options.host, error);
    if (!error.empty()) {
        out.error(error);
        return exit_usage;
    }
    if (page) out.status("live", "the live page is at " + page->server->url(), Json{{"url", page->server->url()}});
    EventSource events(!options.auto_play);
    SlotGuard guard(slot); // declared after events: the link ends before its notification target
    if (open_link(slot, options, events, out) != 0) return exit_failed;
    Referee referee(out, options.pdn);
    referee.set_end_codes(options.end_codes);
    referee.set_live(page ? &page->state : nullptr);
    Exchange link(slot, self, peer, out, referee);
    return options.auto_play ? spar(options, events, out, referee, link)
                             : converse(options, events, out, referee, link);
}

} // namespace kvnlink
