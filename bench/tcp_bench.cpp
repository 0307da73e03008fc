// tcp_bench.cpp - what a TCP link costs its host: throughput against a plain-socket
// floor, latency, idle CPU, teardown times and per-link footprint, in one run.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "bench_support.h"

using namespace bench;

namespace {

constexpr uint32_t notify_message = 0x8001;

kvn_message move_message(int i) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = KVN_MOVE;
    m.u.move.time = static_cast<int16_t>(i % 10000);
    m.u.move.from_square = 32;
    m.u.move.to_square = 28;
    return m;
}

kvn_message chat_message() {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = KVN_CHAT;
    std::memset(m.u.chat.text, 'c', 125); // 126-character wire text
    return m;
}

// Slot 0 serves, slot 1 connects, both on loopback.
bool open_pair(uint16_t port, Inbox &server, Inbox &client) {
    int32_t served = 1;
    std::thread serving([&] {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        do served = kvn_socket_connect_ex(0, "", server.handle(), notify_message, port);
        while (served == KVN_NO_PEER && Clock::now() < deadline);
    });
    int32_t connected = KVN_CONNECT_FAILED;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (connected == KVN_CONNECT_FAILED && Clock::now() < deadline) {
        connected = kvn_socket_connect_ex(1, "127.0.0.1", client.handle(), notify_message, port);
        if (connected != KVN_OK) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    serving.join();
    return served == KVN_OK && connected == KVN_OK;
}

struct Rate {
    double per_second;
    double cpu_per_100k;
};

Rate library_throughput(uint16_t port, const kvn_message &message, int count) {
    Inbox server, client;
    if (!open_pair(port, server, client)) {
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
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    listen(listener, 1);
    const int out = socket(AF_INET, SOCK_STREAM, 0);
    connect(out, reinterpret_cast<sockaddr *>(&address), sizeof address);
    const int in = accept(listener, nullptr, nullptr);
    close(listener);

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

void report_throughput(const char *name, uint16_t port, const kvn_message &message, const std::string &wire,
                       int count) {
    const Rate floor = plain_socket_floor(port, wire, count);
    const Rate link = library_throughput(static_cast<uint16_t>(port + 1), message, count);
    std::printf("| throughput, %s | %.0f msg/s | %.0f msg/s | %.2f | CPU s/100k: library %.2f, floor %.2f |\n", name,
                link.per_second, floor.per_second, link.per_second / floor.per_second, link.cpu_per_100k,
                floor.cpu_per_100k);
}

long status_field(const char *name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == name) {
            long value = 0;
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

void report_latency_and_idle(uint16_t port, int samples) {
    Inbox server, client;
    if (!open_pair(port, server, client)) std::exit(1);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause_ms(0, 150);
    std::vector<double> latencies;
    for (int i = 0; i < samples; ++i) {
        // A random pause keeps the samples from locking onto the workers' polling phase.
        std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms(random)));
        const kvn_message m = move_message(i);
        const auto sent = Clock::now();
        kvn_send_message(1, &m);
        uintptr_t wparam;
        if (!server.next(wparam)) break;
        latencies.push_back(seconds_since(sent) * 1000);
        kvn_message in;
        kvn_receive_message(0, &in);
    }
    std::printf("| latency, one move on an idle link | median %.1f ms, p99 %.1f ms, max %.1f ms (%zu samples) | "
                "polling model: median ~100 ms, bound ~200 ms | | |\n",
                percentile(latencies, 0.5), percentile(latencies, 0.99), percentile(latencies, 1.0), latencies.size());

    const double cpu0 = process_cpu_seconds();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double idle = process_cpu_seconds() - cpu0;
    std::printf("| idle CPU, both ends of one open link, 10 s | %.3f CPU s (%.2f%% of one core) | | | |\n", idle,
                idle / 10 * 100);

    const auto closing = Clock::now();
    kvn_disconnect(1);
    const double disconnect_ms = seconds_since(closing) * 1000;
    uintptr_t wparam = 0;
    while (server.next(wparam) && wparam != KVN_CONNECTION_LOST) {
    }
    const double loss_ms = seconds_since(closing) * 1000;
    std::printf("| kvn_disconnect on a running link | %.1f ms | | | |\n", disconnect_ms);
    std::printf("| peer's close to wParam 100 | %.1f ms | receiver poll: up to 100 ms | | |\n", loss_ms);
    kvn_disconnect(0);
}

void report_footprint(uint16_t port) {
    int listeners[3];
    const long rss0 = status_field("VmRSS:"), threads0 = status_field("Threads:");
    for (int slot = 0; slot < 3; ++slot) {
        listeners[slot] = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port + slot));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int on = 1;
        setsockopt(listeners[slot], SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        bind(listeners[slot], reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(listeners[slot], 1);
        kvn_socket_connect_ex(slot, "127.0.0.1", nullptr, notify_message, port + slot);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long rss1 = status_field("VmRSS:"), threads1 = status_field("Threads:");
    std::printf("| footprint per open link (three open) | %.0f KiB resident, %.1f threads | | | |\n",
                static_cast<double>(rss1 - rss0) / 3, static_cast<double>(threads1 - threads0) / 3);
    for (int slot = 0; slot < 3; ++slot) {
        kvn_disconnect(slot);
        close(listeners[slot]);
    }
}

} // namespace

int main(int argc, char **argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const uint16_t base = 29500;
    std::printf("| measure | library | floor / model | ratio | notes |\n|---|---|---|---|---|\n");
    report_throughput("move (11 chars)", base, move_message(15), "M0015322800", count);
    const std::string chat_wire = "C" + std::string(125, 'c');
    report_throughput("chat (126 chars)", base + 10, chat_message(), chat_wire, count);
    report_latency_and_idle(base + 20, 50);
    report_footprint(base + 30);
    return 0;
}
