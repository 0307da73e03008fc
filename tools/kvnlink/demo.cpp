// demo.cpp - two sparring partners linked over loopback in one process play a whole game.
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "command.h"
#include "notify.h"
#include "printer.h"
#include "referee.h"
#include "slot_guard.h"
#include "sparring.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

using clock = std::chrono::steady_clock;
constexpr int patience_ms = 20000; // generous: the machine may be busy
constexpr int32_t server_slot = 0;
constexpr int32_t client_slot = 1;
constexpr int board_every_plies = 20;
const char request_line[] = "request \"sparring white\" W 5 75";

// Slot 0 listens in short accept windows while slot 1 connects from this
// thread; a refusal only means the client came between two windows.
bool open_both(int port, EventSource &events, Printer &out) {
    const auto deadline = clock::now() + std::chrono::milliseconds(patience_ms);
    std::atomic<bool> client_gave_up{false};
    int32_t server_code = KVN_NO_PEER;
    std::thread server([&] {
        do server_code = kvn_socket_connect_ex(server_slot, nullptr, events.window(), events.message(), port);
        while (server_code == KVN_NO_PEER && !client_gave_up && clock::now() < deadline);
    });
    int32_t client_code;
    while ((client_code = kvn_socket_connect_ex(client_slot, "127.0.0.1", events.window(), events.message(), port)) ==
               KVN_CONNECT_FAILED &&
           clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    client_gave_up = client_code != 0;
    server.join();
    if (server_code != 0 || client_code != 0) {
        out.error("could not link the two slots on port " + std::to_string(port) + ": listen gave " +
                  std::to_string(server_code) + ", connect gave " + std::to_string(client_code));
        return false;
    }
    out.status("connected", "slot 0 and slot 1 are linked over 127.0.0.1 port " + std::to_string(port));
    return true;
}

// Sends one message and checks that the other slot got exactly that record.
bool pass_on(int32_t from_slot, const kvn_message &message, EventSource &events, Printer &out) {
    const int32_t to_slot = from_slot == server_slot ? client_slot : server_slot;
    kvn_send_message(from_slot, &message);
    out.message(true, message, false, from_slot);

    const Event e = events.next(patience_ms);
    if (e.kind != Event::Kind::notification) {
        out.error("nothing arrived on slot " + std::to_string(to_slot) + " within 20 s");
        return false;
    }
    if (e.wparam == KVN_CONNECTION_LOST || e.slot != to_slot) {
        out.error("slot " + std::to_string(e.slot) + " reported " + std::to_string(e.wparam) +
                  " instead of an arrival");
        return false;
    }
    kvn_message got{};
    kvn_receive_message(to_slot, &got);
    out.message(false, got, false, to_slot);
    // Both records start zeroed, so a faithful trip leaves them byte for byte equal.
    if (e.wparam != static_cast<uintptr_t>(message.type) || std::memcmp(&got, &message, sizeof got) != 0) {
        out.error("slot " + std::to_string(to_slot) + " received something other than what was sent");
        return false;
    }
    return true;
}

std::string default_pdn_path() {
    std::error_code error;
    const std::filesystem::path dir = std::filesystem::temp_directory_path(error);
    const std::filesystem::path file = (error ? std::filesystem::path(".") : dir) / "kvnlink-demo.pdn";
    std::filesystem::remove(file, error); // the default file holds the last demo's game only
    return file.string();
}

} // namespace

int run_demo(const DemoOptions &o) {
    Printer out(o.json);
    EventSource events(false);
    SlotGuard server_guard(server_slot), client_guard(client_slot);
    if (!open_both(o.port == 0 ? KVN_DEFAULT_PORT : o.port, events, out)) return exit_failed;
    const std::string pdn = o.pdn.empty() ? default_pdn_path() : o.pdn;
    out.status("sparring", "seed " + std::to_string(o.seed) + ": slot 0 plays white, slot 1 black",
               Json{{"seed", o.seed}});
    // One referee watches for both: each slot is its party of the same number.
    Referee referee(out, pdn);
    Sparring players[2] = {Sparring(referee, server_slot, o.seed, parse_line(request_line).message),
                           Sparring(referee, client_slot, o.seed + 1, std::nullopt)};
    int plies = 0;
    for (bool moved = true; moved && !(players[0].done() && players[1].done());) {
        moved = false;
        for (int32_t slot : {server_slot, client_slot}) {
            const auto m = players[slot].next();
            if (!m) continue;
            // After one failure the arrivals no longer pair up with the messages: stop there.
            if (!pass_on(slot, *m, events, out)) return exit_failed;
            referee.see(slot, *m);
            for (Sparring &p : players) p.observe(slot, *m);
            moved = true;
            const draughts::Game *game = referee.game();
            if (m->type == KVN_MOVE && game != nullptr &&
                (++plies % board_every_plies == 0 || game->result() != draughts::Result::unfinished))
                referee.print_board();
        }
    }
    out.status("done", "every message arrived as sent");
    return exit_ok;
}

} // namespace kvnlink
