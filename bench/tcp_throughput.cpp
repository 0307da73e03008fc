// tcp_throughput.cpp - messages per second from a sending host to a receiving
// host, each in a process of its own so that each side's CPU time can be told
// apart.  Over the library, the sender calls kvn_send_message on slot 1 and the
// receiver fetches on notification from slot 0; the floor is the same traffic
// on plain sockets.
#include "tcp_throughput.h"

#include <sys/wait.h>

#include <cstdlib>
#include <vector>

#include "tcp_bench_links.h"

namespace bench {
namespace {

struct Rate {
    double per_second = 0;
    double sender_cpu_per_100k = 0;
    double receiver_cpu_per_100k = 0;
};

// What the receiving process tells the sender when it has everything.
struct ReceiverReport {
    double elapsed = 0;
    double cpu = 0;
    int received = 0;
};

void write_all(int fd, const void *data, size_t size) {
    if (write(fd, data, size) != static_cast<ssize_t>(size)) std::exit(1);
}

bool read_all(int fd, void *data, size_t size) { return read(fd, data, size) == static_cast<ssize_t>(size); }

// Runs receive(ready, first) on the receiving side (a child process, or a
// second thread of this one) and send(go) here.  receive calls ready() once it
// can take messages and first() when the first one is in, and returns how many
// it took; send calls go(), which waits for ready(), before its first message.
//
// The rate is timed from the first arrival to the last, so that it is the
// steady rate: the wait of the first message for both workers' polls is a
// latency, measured apart.
template <typename Receive, typename Send>
Rate run_sides(Placement where, int count, Receive &&receive, Send &&send) {
    int ready_pipe[2], report_pipe[2];
    if (pipe(ready_pipe) != 0 || pipe(report_pipe) != 0) std::exit(1);
    const auto receiving_side = [&] {
        const double cpu0 = process_cpu_seconds();
        ReceiverReport report;
        Clock::time_point first_arrival{};
        report.received = receive([&] { write_all(ready_pipe[1], "r", 1); }, [&] { first_arrival = Clock::now(); });
        report.elapsed = seconds_since(first_arrival);
        report.cpu = process_cpu_seconds() - cpu0;
        write_all(report_pipe[1], &report, sizeof report);
    };
    pid_t child = -1;
    std::thread receiver;
    if (where == Placement::processes) {
        child = fork();
        if (child == 0) {
            receiving_side();
            _exit(0);
        }
    } else {
        receiver = std::thread(receiving_side);
    }
    const double cpu0 = process_cpu_seconds();
    send([&] {
        char ready = 0;
        read_all(ready_pipe[0], &ready, 1);
    });
    ReceiverReport report;
    const bool reported = read_all(report_pipe[0], &report, sizeof report);
    const double cpu = process_cpu_seconds() - cpu0;
    if (receiver.joinable()) receiver.join();
    if (child > 0) waitpid(child, nullptr, 0);
    for (const int fd : {ready_pipe[0], ready_pipe[1], report_pipe[0], report_pipe[1]}) close(fd);
    if (!reported || report.received != count) {
        std::fprintf(stderr, "the receiver took %d of %d messages\n", reported ? report.received : 0, count);
        std::exit(1);
    }
    Rate rate;
    rate.per_second = (count - 1) / report.elapsed;
    if (where == Placement::processes) {
        rate.sender_cpu_per_100k = cpu / count * 100000;
        rate.receiver_cpu_per_100k = report.cpu / count * 100000;
    } else { // one process: the CPU time of both sides together
        rate.sender_cpu_per_100k = cpu / count * 100000;
    }
    return rate;
}

Rate library_throughput(Placement where, uint16_t port, const kvn_message &message, int count) {
    const auto receive = [&](const auto &ready, const auto &first) {
        Inbox inbox;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        int32_t served = KVN_NO_PEER;
        while (served == KVN_NO_PEER && Clock::now() < deadline)
            served = kvn_socket_connect_ex(0, "", inbox.handle(), notify_message, port);
        ready();
        int received = 0;
        uintptr_t wparam;
        kvn_message in;
        while (served == KVN_OK && received < count && inbox.next(wparam)) {
            kvn_receive_message(0, &in);
            if (in.type != message.type) continue;
            if (received++ == 0) first();
        }
        kvn_disconnect(0);
        return received;
    };
    Inbox sender_inbox; // outlives the link: a loss is posted to it
    const auto send = [&](const auto &go) {
        int32_t connected = KVN_CONNECT_FAILED;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (connected != KVN_OK && Clock::now() < deadline) {
            connected = kvn_socket_connect_ex(1, "127.0.0.1", sender_inbox.handle(), notify_message, port);
            if (connected != KVN_OK) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        go();
        for (int i = 0; connected == KVN_OK && i < count; ++i) kvn_send_message(1, &message);
    };
    const Rate rate = run_sides(where, count, receive, send);
    kvn_disconnect(1); // after the receiver has everything, so nothing is dropped unsent
    return rate;
}

// One send() of each framed text; a recv loop cutting the frames.
Rate plain_socket_floor(Placement where, uint16_t port, const std::string &text, int count) {
    int out = -1, in = -1;
    if (!plain_socket_pair(port, out, in)) {
        std::fprintf(stderr, "could not open the plain pair on port %u\n", port);
        std::exit(1);
    }
    const auto receive = [&](const auto &ready, const auto &first) {
        ready();
        char buffer[1270];
        size_t fill = 0;
        int frames = 0;
        while (frames < count) {
            const ssize_t n = recv(in, buffer + fill, sizeof buffer - fill, 0);
            if (n <= 0) break;
            fill += static_cast<size_t>(n);
            while (const char *end = static_cast<const char *>(std::memchr(buffer, 0, fill))) {
                if (frames++ == 0) first();
                const size_t used = static_cast<size_t>(end - buffer) + 1;
                fill -= used;
                std::memmove(buffer, end + 1, fill);
            }
        }
        return frames;
    };
    const std::string framed = text + '\0';
    const auto send_all = [&](const auto &go) {
        go();
        for (int i = 0; i < count; ++i) send(out, framed.data(), framed.size(), MSG_NOSIGNAL);
    };
    const Rate rate = run_sides(where, count, receive, send_all);
    close(out);
    close(in);
    return rate;
}

} // namespace

void report_throughput(const char *name, Placement where, uint16_t port, const kvn_message &message,
                       const std::string &wire, int count, int rounds) {
    std::vector<double> floor_rate, link_rate, ratios, floor_send, floor_receive, link_send, link_receive;
    for (int round = 0; round < rounds; ++round) {
        // Fresh ports each round: the last round's sockets may still be in TIME_WAIT.
        const auto round_port = static_cast<uint16_t>(port + 2 * round);
        const Rate floor = plain_socket_floor(where, round_port, wire, count);
        const Rate link = library_throughput(where, static_cast<uint16_t>(round_port + 1), message, count);
        floor_rate.push_back(floor.per_second);
        link_rate.push_back(link.per_second);
        ratios.push_back(link.per_second / floor.per_second);
        floor_send.push_back(floor.sender_cpu_per_100k);
        floor_receive.push_back(floor.receiver_cpu_per_100k);
        link_send.push_back(link.sender_cpu_per_100k);
        link_receive.push_back(link.receiver_cpu_per_100k);
    }
    char cpu[160];
    if (where == Placement::processes)
        std::snprintf(cpu, sizeof cpu, "CPU s/100k sending/receiving process: library %.2f/%.2f, floor %.2f/%.2f",
                      percentile(link_send, 0.5), percentile(link_receive, 0.5), percentile(floor_send, 0.5),
                      percentile(floor_receive, 0.5));
    else
        std::snprintf(cpu, sizeof cpu, "CPU s/100k, both sides in one process: library %.2f, floor %.2f",
                      percentile(link_send, 0.5), percentile(floor_send, 0.5));
    std::printf("| throughput, %s, %s | %.0f msg/s | %.0f msg/s | %.2f (rounds %.2f to %.2f) | %s; median of %d "
                "rounds of %d |\n",
                name, where == Placement::processes ? "two processes" : "one process", percentile(link_rate, 0.5),
                percentile(floor_rate, 0.5), percentile(ratios, 0.5), percentile(ratios, 0.0), percentile(ratios, 1.0),
                cpu, rounds, count);
}

} // namespace bench
