// demo.cpp - two links over loopback in one process play out a short scripted game.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "command.h"
#include "notify.h"
#include "printer.h"
#include "slot_guard.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

using clock = std::chrono::steady_clock;
constexpr int patience_ms = 20000; // generous: the machine may be busy
constexpr int32_t server_slot = 0;
constexpr int32_t client_slot = 1;

struct Step {
    int32_t from_slot;
    const char *command;
};

// White (the listening side) opens with 32-28, black answers 19-23, and both
// take once: the captures of an ordinary opening.
const Step script[] = {
    {server_slot, "request \"kvnlink white\" W 5 75"},
    {client_slot, "accept \"kvnlink black\" 0"},
    {server_slot, "move 15 32-28"},
    {client_slot, "move 12 19-23"},
    {server_slot, "move 30 28x19 23"},
    {client_slot, "move 25 14x23 19"},
    {server_slot, "chat good luck, and mind square 23"},
    {client_slot, "back 2 W"},
    {server_slot, "backaccept 0"},
    {client_slot, "end 1 0"},
};

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

// Sends one step and checks that the other slot got exactly that record.
bool play(const Step &step, EventSource &events, Printer &out) {
    const Command c = parse_line(step.command);
    const int32_t to_slot = step.from_slot == server_slot ? client_slot : server_slot;
    kvn_send_message(step.from_slot, &c.message);
    out.message(true, c.message, false, step.from_slot);

    const Event e = events.next(patience_ms);
    if (e.kind != Event::Kind::notification) {
        out.error("nothing arrived on slot " + std::to_string(to_slot) + " within 20 s");
        return false;
    }
    if (e.wparam == KVN_CONNECTION_LOST || e.slot != to_slot) {
        out.error("slot " + std::to_string(e.slot) + " reported " + std::to_string(e.wparam) + " instead of an arrival");
        return false;
    }
    kvn_message got{};
    kvn_receive_message(to_slot, &got);
    out.message(false, got, true, to_slot);
    // Both records start zeroed, so a faithful trip leaves them byte for byte equal.
    if (e.wparam != static_cast<uintptr_t>(c.message.type) || std::memcmp(&got, &c.message, sizeof got) != 0) {
        out.error("slot " + std::to_string(to_slot) + " received something other than what was sent");
        return false;
    }
    return true;
}

} // namespace

int run_demo(int port, bool json) {
    Printer out(json);
    EventSource events(false);
    SlotGuard server_guard(server_slot), client_guard(client_slot);
    if (!open_both(port, events, out)) return exit_failed;
    // After one failure the arrivals no longer pair up with the steps: stop there.
    for (const Step &step : script)
        if (!play(step, events, out)) return exit_failed;
    out.status("done", "every message arrived as sent");
    return exit_ok;
}

} // namespace kvnlink
