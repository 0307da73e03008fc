// tcp_bench.cpp - what a TCP link costs its host: throughput against a plain-socket
// floor, latency, idle CPU, teardown times and per-link footprint, in one run.
//
//   tcp_bench [messages per round] [rounds]
#include <cstdlib>
#include <fstream>
#include <string>

#include "tcp_bench_links.h"
#include "tcp_latency.h"
#include "tcp_throughput.h"

using namespace bench;

namespace {

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

void report_footprint(uint16_t port) {
    int listeners[3];
    const long rss0 = status_field("VmRSS:"), threads0 = status_field("Threads:");
    for (int slot = 0; slot < 3; ++slot) {
        listeners[slot] = plain_listener(static_cast<uint16_t>(port + slot));
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
    const int count = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const uint16_t base = 29500;
    std::printf("| measure | library | floor / model | ratio | notes |\n|---|---|---|---|---|\n");
    const std::string move_wire = "M0015322800", chat_wire = "C" + std::string(125, 'c');
    uint16_t port = base;
    for (const Placement where : {Placement::threads, Placement::processes}) {
        report_throughput("move (11 chars)", where, port, move_message(15), move_wire, count, rounds);
        report_throughput("chat (126 chars)", where, static_cast<uint16_t>(port + 50), chat_message(), chat_wire, count,
                          rounds);
        port = static_cast<uint16_t>(port + 100);
    }
    if (std::getenv("KVN_BENCH_THROUGHPUT_ONLY") != nullptr) return 0;
    report_link_latency_and_idle(port, 50);
    report_half_latencies(static_cast<uint16_t>(port + 10), 50);
    report_footprint(static_cast<uint16_t>(port + 20));
    return 0;
}
