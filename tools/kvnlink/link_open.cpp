// link_open.cpp - the connect calls of listen, connect and serial, with their waiting and retrying.
#include "link_open.h"

#include <chrono>
#include <thread>

namespace kvnlink {

namespace {

using clock = std::chrono::steady_clock;

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

} // namespace

int32_t open_link(int32_t slot, const LinkOptions &o, EventSource &events, Printer &out) {
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
        out.status("waiting", "waiting for a peer on " + where, Json{{"port", port}});
        // Each call waits about 500 ms for a peer and answers -1 if none came.
        do code = connect(nullptr);
        while (code == KVN_NO_PEER && !timed_out(start, o.timeout_s));
        break;
    case LinkOptions::Mode::connect:
        what = "connecting to " + o.host + " " + where;
        done = "connected to " + o.host + " " + where;
        while ((code = connect(o.host.c_str())) == KVN_CONNECT_FAILED && !timed_out(start, o.retry_s))
            std::this_thread::sleep_for(
                std::chrono::milliseconds(200)); // a pause between attempts, not a wait on anything
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
        out.error(what + " failed: code " + std::to_string(code) + ", " +
                  kvn_connect_result_text(code, role_of(o.mode)));
    }
    return code;
}

} // namespace kvnlink
