// tcp_throughput.cpp - one host thread sends on slot 1 while another fetches on
// notification from slot 0; the floor is the same traffic on plain sockets.
#include "tcp_throughput.h"

#include <cstdlib>
#include <vector>

#include "tcp_bench_links.h"

namespace bench {
namespace {

struct Rate {
    double per_second;
    double cpu_per_100k;
};

Rate library_throughput(uint16_t port, const kvn_message &message, int count) {
    Inbox server, client;
    if (!open_library_pair(port, server, client)) {
        std::fprintf(stderr, "could not open the pair on port %u\n", port);
        std::exit(1);
    }
    const double cpu0 = process_cpu_seconds();
    const auto start = Clock::now();
    std::thread sender([&] {
        for (int i = 0; i < count; ++i) kvn_send_message(1, &message);
    });
    int received = 0;
    uintptr_t wparam;
    kvn_message in;
    while (received < count && server.next(wparam)) {
        kvn_receive_message(0, &in);
        if (in.type == message.type) ++received;
    }
    const double elapsed = seconds_since(start);
    const double cpu = process_cpu_seconds() - cpu0;
    sender.join();
    kvn_disconnect(1);
    kvn_disconnect(0);
    if (received != count) std::fprintf(stderr, "lost messages: %d of %d\n", count - received, count);
    return {count / elapsed, cpu / count * 100000};
}

// The same traffic with no library: one send() of each framed text, a recv loop cutting frames.
Rate plain_socket_floor(uint16_t port, const std::string &text, int count) {
    int out = -1, in = -1;
    if (!plain_socket_pair(port, out, in)) {
        std::fprintf(stderr, "could not open the plain pair on port %u\n", port);
        std::exit(1);
    }
    const std::string framed = text + '\0';
    const double cpu0 = process_cpu_seconds();
    const auto start = Clock::now();
    std::thread sender([&] {
        for (int i = 0; i < count; ++i) send(out, framed.data(), framed.size(), MSG_NOSIGNAL);
    });
    char buffer[1270];
    size_t fill = 0;
    int frames = 0;
    while (frames < count) {
        const ssize_t n = recv(in, buffer + fill, sizeof buffer - fill, 0);
        if (n <= 0) break;
        fill += static_cast<size_t>(n);
        while (const char *end = static_cast<const char *>(std::memchr(buffer, 0, fill))) {
            ++frames;
            const size_t used = static_cast<size_t>(end - buffer) + 1;
            fill -= used;
            std::memmove(buffer, end + 1, fill);
        }
    }
    const double elapsed = seconds_since(start);
    const double cpu = process_cpu_seconds() - cpu0;
    sender.join();
    close(out);
    close(in);
    return {count / elapsed, cpu / count * 100000};
}

} // namespace

void report_throughput(const char *name, uint16_t port, const kvn_message &message, const std::string &wire,
                       int count, int rounds) {
    std::vector<double> floor_rate, floor_cpu, link_rate, link_cpu, ratios;
    for (int round = 0; round < rounds; ++round) {
        // Fresh ports each round: the last round's sockets may still be in TIME_WAIT.
        const auto round_port = static_cast<uint16_t>(port + 2 * round);
        const Rate floor = plain_socket_floor(round_port, wire, count);
        const Rate link = library_throughput(static_cast<uint16_t>(round_port + 1), message, count);
        floor_rate.push_back(floor.per_second);
        floor_cpu.push_back(floor.cpu_per_100k);
        link_rate.push_back(link.per_second);
        link_cpu.push_back(link.cpu_per_100k);
        ratios.push_back(link.per_second / floor.per_second);
    }
    std::printf("| throughput, %s | %.0f msg/s | %.0f msg/s | %.2f (rounds %.2f to %.2f) | "
                "CPU s/100k: library %.2f, floor %.2f; median of %d rounds of %d |\n",
                name, percentile(link_rate, 0.5), percentile(floor_rate, 0.5), percentile(ratios, 0.5),
                percentile(ratios, 0.0), percentile(ratios, 1.0), percentile(link_cpu, 0.5),
                percentile(floor_cpu, 0.5), rounds, count);
}

} // namespace bench
