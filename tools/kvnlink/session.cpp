// session.cpp - listen, connect and serial: open one link, then relay typed commands and arrivals under the referee's eye.
#include <algorithm>
#include <chrono>

#include "command.h"
#include "link_open.h"
#include "message_text.h"
#include "notify.h"
#include "printer.h"
#include "referee.h"
#include "slot_guard.h"
#include "sparring.h"
#include "subcommands.h"
#include "wire.h"

namespace kvnlink {

namespace {

constexpr int32_t slot = 0;
// The referee's parties in a session: what this kvnlink sends, and what its peer does.
constexpr int self = 0;
constexpr int peer = 1;
// After sending its game end, the sparring partner waits this long at most for
// the peer's own end (or the link's loss) before it disconnects.
constexpr int end_grace_ms = 3000;

void send(const Command &c, Printer &out, Referee &referee) {
    kvn_send_message(slot, &c.message);
    out.message(true, c.message, true);
    referee.see(self, c.message);
    if (c.message.type == KVN_NONE || c.raw_text.empty()) return;
    const std::string wire = encode_wire(c.message);
    if (wire != c.raw_text)
        out.status("note", "the raw text went out re-encoded as " + quoted(wire), Json{{"wire", wire}});
}

void receive(Printer &out, Referee &referee, Sparring *player) {
    kvn_message m{};
    kvn_receive_message(slot, &m);
    out.message(false, m, true);
    referee.see(peer, m);
    if (player) player->observe(peer, m);
}

// The peer has gone: told, judged, and kvnlink's exit status for it.
int link_lost(Printer &out, Referee &referee) {
    out.status("connection_lost", "connection lost: the peer went away");
    referee.close("a lost link");
    return exit_link_lost;
}

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

int converse(const LinkOptions &o, EventSource &events, Printer &out, Referee &referee) {
    for (;;) {
        const Event e = events.next(-1);
        if (e.kind == Event::Kind::notification) {
            if (e.wparam == KVN_CONNECTION_LOST) return link_lost(out, referee);
            receive(out, referee, nullptr);
        } else if (e.kind == Event::Kind::end_of_input) {
            out.status("disconnected", "end of input, disconnected");
            referee.close("the end of input");
            return exit_ok;
        } else if (e.kind == Event::Kind::line) {
            const Command c = parse_line(e.text);
            switch (c.kind) {
            case Command::Kind::send:
                if (!refused(c, o, out, referee)) send(c, out, referee);
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

// --auto: no typed commands; kvnlink answers the peer by itself until a game end goes by.
int spar(const LinkOptions &o, EventSource &events, Printer &out, Referee &referee) {
    const std::uint64_t seed =
        o.seed ? *o.seed : static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    out.status("sparring", "playing by itself, seed " + std::to_string(seed), Json{{"seed", seed}});
    Sparring player(referee, self, seed, o.request);
    const auto play_on = [&] {
        while (const auto m = player.next()) {
            Command c;
            c.message = *m;
            send(c, out, referee);
            player.observe(self, *m);
        }
    };
    play_on();
    while (!player.done()) {
        const Event e = events.next(-1);
        if (e.kind != Event::Kind::notification) continue;
        if (e.wparam == KVN_CONNECTION_LOST) return link_lost(out, referee);
        receive(out, referee, &player);
        play_on();
    }
    // Waiting for the peer's end (or its leaving) also gives the own end time to go out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(end_grace_ms);
    while (!player.end_received()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const Event e = left.count() > 0 ? events.next(static_cast<int>(left.count())) : Event{};
        if (e.kind != Event::Kind::notification || e.wparam == KVN_CONNECTION_LOST) break;
        receive(out, referee, &player);
    }
    out.status("disconnected", "the game is over, disconnected");
    return exit_ok;
}

} // namespace

int run_link(const LinkOptions &options) {
    Printer out(options.json);
    EventSource events(!options.auto_play);
    SlotGuard guard(slot); // declared after events: the link ends before its notification target
    if (open_link(slot, options, events, out) != 0) return exit_failed;
    Referee referee(out, options.pdn);
    return options.auto_play ? spar(options, events, out, referee) : converse(options, events, out, referee);
}

} // namespace kvnlink
