// session.cpp - listen, connect and serial: open one link, then relay typed commands and arrivals.
#include <chrono>
#include <cstring>
#include <thread>

#include "command.h"
#include "notify.h"
#include "printer.h"
#include "slot_guard.h"
#include "subcommands.h"
#include "wire.h"

namespace kvnlink {

namespace {

using clock = std::chrono::steady_clock;
constexpr int32_t slot = 0;

kvn_connect_role role_of(LinkOptions::Mode mode) {
    switch (mode) {
    case LinkOptions::Mode::listen: return KVN_ROLE_SERVER;
    case LinkOptions::Mode::serial: return KVN_ROLE_SERIAL;
    case LinkOptions::Mode::connect: break;
    }
    return KVN_ROLE_CLIENT;
}

bool timed_out(clock::time_point start, double limit_s) {
    return limit_s >= 0 && std::chrono::duration<double>(clock::now() - start).count() >= limit_s;
}

int32_t open_link(const LinkOptions &o, EventSource &events, Printer &out) {
    const int port = o.port == 0 ? KVN_DEFAULT_PORT : o.port;
    const std::string where = "port " + std::to_string(port) + (o.ipv6 ? " (IPv6)" : " (IPv4)");
    const auto connect = [&](const char *host) {
        return o.ipv6 ? kvn_socket_connect6_ex(slot, host, events.window(), events.message(), port)
                      : kvn_socket_connect_ex(slot, host, events.window(), events.message(), port);
    };
    const auto start = clock::now();
    int32_t code = 0;
    std::string what, done;
    switch (o.mode) {
    case LinkOptions::Mode::listen:
        what = "listening on " + where;
        done = "a peer connected on " + where;
        out.status("waiting", "waiting for a peer on " + where, [&](Json &j) { j.add("port", port); });
        // Each call waits about 500 ms for a peer and answers -1 if none came.
        do code = connect(nullptr);
        while (code == KVN_NO_PEER && !timed_out(start, o.timeout_s));
        break;
    case LinkOptions::Mode::connect:
        what = "connecting to " + o.host + " " + where;
        done = "connected to " + o.host + " " + where;
        while ((code = connect(o.host.c_str())) == KVN_CONNECT_FAILED && !timed_out(start, o.retry_s))
            std::this_thread::sleep_for(std::chrono::milliseconds(200)); // a pause between attempts, not a wait on anything
        break;
    case LinkOptions::Mode::serial:
        what = "opening COM" + std::to_string(o.serial_port);
        done = "COM" + std::to_string(o.serial_port) + " is open";
        code = kvn_nulmodem_connect(slot, o.serial_port, events.window(), events.message());
        break;
    }
    if (code == 0) {
        out.status("connected", done);
    } else {
        out.error(what + " failed: code " + std::to_string(code) + ", " + kvn_connect_result_text(code, role_of(o.mode)));
    }
    return code;
}

void send(const Command &c, Printer &out) {
    kvn_send_message(slot, &c.message);
    out.message(true, c.message, true);
    if (c.message.type == KVN_NONE || c.raw_text.empty()) return;
    const std::string wire = encode_wire(c.message);
    if (wire != c.raw_text)
        out.status("note", "the raw text went out re-encoded as " + quoted(wire), [&](Json &j) { j.add("wire", wire); });
}

int converse(EventSource &events, Printer &out) {
    for (;;) {
        const Event e = events.next(-1);
        if (e.kind == Event::Kind::notification) {
            if (e.wparam == KVN_CONNECTION_LOST) {
                out.status("connection_lost", "connection lost: the peer went away");
                return exit_link_lost;
            }
            kvn_message m{};
            kvn_receive_message(slot, &m);
            out.message(false, m, true);
        } else if (e.kind == Event::Kind::end_of_input) {
            out.status("disconnected", "end of input, disconnected");
            return exit_ok;
        } else if (e.kind == Event::Kind::line) {
            const Command c = parse_line(e.text);
            switch (c.kind) {
            case Command::Kind::send: send(c, out); break;
            case Command::Kind::error: out.error(c.error); break;
            case Command::Kind::quit: out.status("disconnected", "disconnected"); return exit_ok;
            case Command::Kind::help: {
                const char *text = command_help();
                for (const char *end; (end = std::strchr(text, '\n')) != nullptr; text = end + 1)
                    out.status("help", std::string(text, end));
                out.status("help", text);
                break;
            }
            case Command::Kind::empty: break;
            }
        }
    }
}

} // namespace

int run_link(const LinkOptions &options) {
    Printer out(options.json);
    EventSource events(true);
    SlotGuard guard(slot); // declared after events: the link ends before its notification target
    if (open_link(options, events, out) != 0) return exit_failed;
    return converse(events, out);
}

} // namespace kvnlink
