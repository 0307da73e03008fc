// tcp_bench.cpp - what a TCP link costs its host, each figure beside a plain-socket
// floor from the same run: one-way latency, throughput with the host fetching as it
// is told, idle CPU, teardown times and per-link footprint.
//
//   tcp_bench [messages per round] [rounds] [seconds a library round may take]
//
// A count of 0 skips the throughput rows; KVN_BENCH_THROUGHPUT_ONLY=1 skips the rest.
#include <algorithm>
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

// The system's load averages, to go with the figures.
std::string load_average() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace

int main(int argc, char **argv) {
    ThroughputRun run;
    if (argc > 1) run.count = std::atoi(argv[1]);
    if (argc > 2) run.rounds = std::max(1, std::atoi(argv[2]));
    if (argc > 3) run.limit_s = std::max(1, std::atoi(argv[3]));
    const int latency_samples = 30;
    const uint16_t base = 29500;
    std::printf("load average at the start: %s\n\n", load_average().c_str());
    std::printf("| measure | library | floor | ratio | notes |\n|---|---|---|---|---|\n");
    std::fflush(stdout);
    const bool throughput_only = std::getenv("KVN_BENCH_THROUGHPUT_ONLY") != nullptr;
    uint16_t port = base;
    if (!throughput_only) {
        report_link_latency_and_idle(port, latency_samples);
        report_half_latencies(static_cast<uint16_t>(port + 10), latency_samples);
        report_footprint(static_cast<uint16_t>(port + 20));
    }
    port = static_cast<uint16_t>(port + 30);
    const std::string move_wire = "M0015322800", chat_wire = "C" + std::string(125, 'c');
    for (const Placement where : {Placement::threads, Placement::processes}) {
        if (run.count <= 0) break;
        report_throughput("move (11 chars)", where, port, move_message(15), move_wire, run);
        report_throughput("chat (126 chars)", where, static_cast<uint16_t>(port + 50), chat_message(), chat_wire, run);
        port = static_cast<uint16_t>(port + 100);
    }
    std::printf("\nload average at the end: %s\n", load_average().c_str());
    return 0;
}
