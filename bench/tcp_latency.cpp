// tcp_latency.cpp - latency of lone messages, idle CPU, and teardown times.
//
// Both workers poll every 100 ms while idle, so a lone message waits for the
// sender's next look at its queue and then for the receiver's next read.  The
// halves are measured apart, against a plain socket, to show that the library
// adds nothing on top of those waits.
#include "tcp_latency.h"

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/timing.h"
#include "tcp_bench_links.h"

namespace bench {
namespace {

// A random pause keeps the samples from locking onto the workers' polling phase.
class Pauses {
public:
    void next() { std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms_(random_))); }

private:
    std::mt19937 random_{12345};
    std::uniform_int_distribution<int> pause_ms_{0, 150};
};

void print_delays(const char *name, const std::vector<double> &ms, const std::string &model) {
    std::printf("| %s | median %.1f ms, p99 %.1f ms, min %.2f ms, max %.1f ms (%zu samples) | %s | | |\n", name,
                percentile(ms, 0.5), percentile(ms, 0.99), percentile(ms, 0.0), percentile(ms, 1.0), ms.size(),
                model.c_str());
}

// A multiple of the workers' idle poll, in whole ms, for the models' notes.
std::string poll_ms(double times) {
    return std::to_string(static_cast<uint32_t>(times * kvn::timing::poll_interval_ms));
}

// Blocks until one NUL-terminated frame has arrived on fd.
bool read_frame(int fd) {
    char byte = 1;
    while (byte != '\0')
        if (recv(fd, &byte, 1, 0) != 1) return false;
    return true;
}

} // namespace

void report_link_latency_and_idle(uint16_t port, int samples) {
    Inbox server, client;
    if (!open_library_pair(port, server, client)) std::exit(1);
    Pauses pauses;
    std::vector<double> latencies;
    for (int i = 0; i < samples; ++i) {
        pauses.next();
        const kvn_message m = move_message(i);
        const auto sent = Clock::now();
        kvn_send_message(1, &m);
        uintptr_t wparam;
        if (!server.next(wparam)) break;
        latencies.push_back(seconds_since(sent) * 1000);
        kvn_message in;
        kvn_receive_message(0, &in);
    }
    print_delays("latency, one move, library to library", latencies,
                 "two " + poll_ms(1) + " ms polls: bound " + poll_ms(2) + " ms; median " + poll_ms(0.5) +
                     " ms plus the pair's fixed poll offset");

    const double cpu0 = process_cpu_seconds();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double idle = process_cpu_seconds() - cpu0;
    std::printf("| idle CPU, both ends of one open link, 10 s | %.3f CPU s (%.2f%% of one core) | | | |\n", idle,
                idle / 10 * 100);

    const auto closing = Clock::now();
    kvn_disconnect(1);
    const double disconnect_ms = seconds_since(closing) * 1000;
    uintptr_t wparam = 0;
    while (server.next(wparam) && wparam != KVN_CONNECTION_LOST) {}
    const double loss_ms = seconds_since(closing) * 1000;
    std::printf("| kvn_disconnect on a running link | %.1f ms | | | |\n", disconnect_ms);
    std::printf("| peer's close to wParam 100 | %.1f ms | receiver poll: up to %s ms | | |\n", loss_ms,
                poll_ms(1).c_str());
    kvn_disconnect(0);
}

void report_half_latencies(uint16_t port, int samples) {
    const int listener = plain_listener(port);
    Inbox library;
    if (listener < 0 || kvn_socket_connect_ex(1, "127.0.0.1", library.handle(), notify_message, port) != KVN_OK) {
        std::fprintf(stderr, "could not open the half-latency link on port %u\n", port);
        std::exit(1);
    }
    const int peer = accept(listener, nullptr, nullptr);
    close(listener);

    Pauses pauses;
    std::vector<double> sending, receiving;
    const kvn_message m = move_message(1);
    const char frame[] = "M0001322800";
    for (int i = 0; i < samples; ++i) {
        pauses.next();
        const auto sent = Clock::now();
        kvn_send_message(1, &m);
        if (!read_frame(peer)) break;
        sending.push_back(seconds_since(sent) * 1000);

        pauses.next();
        const auto written = Clock::now();
        send(peer, frame, sizeof frame, MSG_NOSIGNAL);
        uintptr_t wparam;
        if (!library.next(wparam)) break;
        receiving.push_back(seconds_since(written) * 1000);
        kvn_message in;
        kvn_receive_message(1, &in);
    }
    print_delays("latency, kvn_send_message to the bytes at a plain peer", sending,
                 "sender's queue poll: uniform 0 to " + poll_ms(1) + " ms, median " + poll_ms(0.5));
    print_delays("latency, a plain peer's send to the notification", receiving,
                 "receiver's idle poll: uniform 0 to " + poll_ms(1) + " ms, median " + poll_ms(0.5));
    kvn_disconnect(1);
    close(peer);
}

} // namespace bench
