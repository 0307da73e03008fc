// tcp_throughput.cpp - messages per second from a sending host to a receiving
// host that fetches as it is told.  Over the library, the sender calls
// kvn_send_message on slot 1 as fast as it returns and the receiver fetches
// one message from slot 0 per notification.  The link holds at most 2000
// unfetched messages and then stops reading until the host fetches, so a fast
// sender keeps the receiving link at that limit: the rate includes how soon
// it reads again.  The floor is the same traffic on plain sockets.
//
// A round is timed from the sender's first message to the receiver's last
// fetch, the whole time a host waits for its messages to get across.
#include "tcp_throughput.h"

#include <sys/time.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "tcp_bench_links.h"

namespace bench {
namespace {

struct Rate {
    double per_second = 0;
    double first_ms = 0; // the sender's first message to the first arrival
    double sender_cpu_per_100k = 0;
    double receiver_cpu_per_100k = 0;
    bool cut = false; // the round hit its time limit
};

// When a receiver's messages came; steady-clock ticks, which on this system
// are the same in every process.
struct Arrivals {
    Clock::time_point first{};
    Clock::time_point last{};
};

// What the receiving side tells the sender when it is done.
struct ReceiverReport {
    Clock::rep first = 0;
    Clock::rep last = 0;
    double cpu = 0;
    int received = 0;
};

void write_all(int fd, const void *data, size_t size) {
    if (write(fd, data, size) != static_cast<ssize_t>(size)) std::exit(1);
}

bool read_all(int fd, void *data, size_t size) { return read(fd, data, size) == static_cast<ssize_t>(size); }

// Runs receive(ready, arrivals) on the receiving side (a child process, or a
// second thread of this one) and send(go) here.  receive calls ready() once it
// can take messages, notes its first arrival and its last fetch in arrivals,
// and returns how many it took; send calls go(), which waits for ready(),
// before its first message.
template <typename Receive, typename Send>
Rate run_sides(Placement where, int count, Receive &&receive, Send &&send) {
    int ready_pipe[2], report_pipe[2];
    if (pipe(ready_pipe) != 0 || pipe(report_pipe) != 0) std::exit(1);
    const auto receiving_side = [&] {
        const double cpu0 = process_cpu_seconds();
        Arrivals arrivals;
        ReceiverReport report;
        report.received = receive([&] { write_all(ready_pipe[1], "r", 1); }, arrivals);
        report.cpu = process_cpu_seconds() - cpu0;
        report.first = arrivals.first.time_since_epoch().count();
        report.last = arrivals.last.time_since_epoch().count();
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
    Clock::time_point start{};
    send([&] {
        char ready = 0;
        read_all(ready_pipe[0], &ready, 1);
        start = Clock::now();
    });
    ReceiverReport report;
    const bool reported = read_all(report_pipe[0], &report, sizeof report);
    const double cpu = process_cpu_seconds() - cpu0;
    if (receiver.joinable()) receiver.join();
    if (child > 0) waitpid(child, nullptr, 0);
    for (const int fd : {ready_pipe[0], ready_pipe[1], report_pipe[0], report_pipe[1]}) close(fd);
    if (!reported || report.received == 0) {
        std::fprintf(stderr, "the receiver took none of %d messages\n", count);
        std::exit(1);
    }
    const auto since_start = [&](Clock::rep ticks) {
        return std::chrono::duration<double>(Clock::time_point(Clock::duration(ticks)) - start).count();
    };
    Rate rate;
    rate.per_second = report.received / since_start(report.last);
    rate.first_ms = since_start(report.first) * 1000;
    rate.cut = report.received < count;
    rate.sender_cpu_per_100k = cpu / report.received * 100000; // one process: both sides together
    if (where == Placement::processes) rate.receiver_cpu_per_100k = report.cpu / report.received * 100000;
    return rate;
}

Rate library_throughput(Placement where, uint16_t port, const kvn_message &message, const ThroughputRun &run) {
    const auto receive = [&](const auto &ready, Arrivals &arrivals) {
        Inbox inbox;
        const auto open_by = Clock::now() + std::chrono::seconds(20);
        int32_t served = KVN_NO_PEER;
        while (served == KVN_NO_PEER && Clock::now() < open_by)
            served = kvn_socket_connect_ex(0, "", inbox.handle(), notify_message, port);
        ready();
        const auto deadline = Clock::now() + std::chrono::seconds(run.limit_s);
        int received = 0;
        uintptr_t wparam;
        kvn_message in;
        while (served == KVN_OK && received < run.count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || !inbox.next(wparam, left)) break;
            kvn_receive_message(0, &in);
            if (in.type != message.type) continue;
            if (received++ == 0) arrivals.first = Clock::now();
        }
        arrivals.last = Clock::now();
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
        for (int i = 0; connected == KVN_OK && i < run.count; ++i) kvn_send_message(1, &message);
    };
    const Rate rate = run_sides(where, run.count, receive, send);
    kvn_disconnect(1); // after the receiver is done, so nothing is dropped unsent
    return rate;
}

// Neither end of the floor waits longer than this in one call, so a round
// always ends.
void time_out_calls(int fd) {
    timeval second{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &second, sizeof second);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &second, sizeof second);
}

// One send() of each framed text; a recv loop cutting the frames out of a
// 1270-byte buffer.
Rate plain_socket_floor(Placement where, uint16_t port, const std::string &text, const ThroughputRun &run) {
    int out = -1, in = -1;
    if (!plain_socket_pair(port, out, in)) {
        std::fprintf(stderr, "could not open the plain pair on port %u\n", port);
        std::exit(1);
    }
    time_out_calls(out);
    time_out_calls(in);
    const auto receive = [&](const auto &ready, Arrivals &arrivals) {
        ready();
        const auto deadline = Clock::now() + std::chrono::seconds(run.limit_s);
        char buffer[1270];
        size_t fill = 0;
        int frames = 0;
        while (frames < run.count && Clock::now() < deadline) {
            const ssize_t n = recv(in, buffer + fill, sizeof buffer - fill, 0);
            if (n < 0 && errno == EAGAIN) continue;
            if (n <= 0) break;
            fill += static_cast<size_t>(n);
            while (const char *end = static_cast<const char *>(std::memchr(buffer, 0, fill))) {
                if (frames++ == 0) arrivals.first = Clock::now();
                const size_t used = static_cast<size_t>(end - buffer) + 1;
                fill -= used;
                std::memmove(buffer, end + 1, fill);
            }
        }
        arrivals.last = Clock::now();
        return frames;
    };
    const std::string framed = text + '\0';
    const auto send_all = [&](const auto &go) {
        go();
        for (int i = 0; i < run.count; ++i)
            if (send(out, framed.data(), framed.size(), MSG_NOSIGNAL) <= 0) break;
    };
    const Rate rate = run_sides(where, run.count, receive, send_all);
    close(out);
    close(in);
    return rate;
}

} // namespace

void report_throughput(const char *name, Placement where, uint16_t port, const kvn_message &message,
                       const std::string &wire, const ThroughputRun &run) {
    std::vector<double> floor_rate, link_rate, ratios, link_first, floor_send, floor_receive, link_send, link_receive;
    int cut = 0;
    for (int round = 0; round < run.rounds; ++round) {
        // Fresh ports each round: the last round's sockets may still be in TIME_WAIT.
        const auto round_port = static_cast<uint16_t>(port + 2 * round);
        const Rate floor = plain_socket_floor(where, round_port, wire, run);
        const Rate link = library_throughput(where, static_cast<uint16_t>(round_port + 1), message, run);
        floor_rate.push_back(floor.per_second);
        link_rate.push_back(link.per_second);
        ratios.push_back(link.per_second / floor.per_second);
        link_first.push_back(link.first_ms);
        floor_send.push_back(floor.sender_cpu_per_100k);
        floor_receive.push_back(floor.receiver_cpu_per_100k);
        link_send.push_back(link.sender_cpu_per_100k);
        link_receive.push_back(link.receiver_cpu_per_100k);
        cut += link.cut || floor.cut ? 1 : 0;
    }
    char cpu[160];
    if (where == Placement::processes)
        std::snprintf(cpu, sizeof cpu, "CPU s/100k sending/receiving process: library %.2f/%.2f, floor %.2f/%.2f",
                      percentile(link_send, 0.5), percentile(link_receive, 0.5), percentile(floor_send, 0.5),
                      percentile(floor_receive, 0.5));
    else
        std::snprintf(cpu, sizeof cpu, "CPU s/100k, both sides in one process: library %.2f, floor %.2f",
                      percentile(link_send, 0.5), percentile(floor_send, 0.5));
    char cut_note[80] = "";
    if (cut > 0)
        std::snprintf(cut_note, sizeof cut_note, "; %d round(s) cut at %d s, rate of what came", cut, run.limit_s);
    std::printf("| throughput, %s, %s | %.0f msg/s | %.0f msg/s | %.3f (rounds %.3f to %.3f) | %s; first arrival "
                "after %.1f ms; median of %d rounds of %d%s |\n",
                name, where == Placement::processes ? "two processes" : "one process", percentile(link_rate, 0.5),
                percentile(floor_rate, 0.5), percentile(ratios, 0.5), percentile(ratios, 0.0), percentile(ratios, 1.0),
                cpu, percentile(link_first, 0.5), run.rounds, run.count, cut_note);
    std::fflush(stdout);
}

} // namespace bench
