// tcp_latency.cpp - latency of lone moves, idle CPU, and teardown times.
//
// A lone move on an idle link is timed from kvn_send_message to the moment the
// library calls the peer's post; the floor is the same framed text over a plain
// socket pair, from send to the moment a reader blocked in recv has the whole
// frame.  The halves of the library's trip are also measured apart, against a
// plain peer, to show which end adds what.
#include "tcp_latency.h"

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tcp_bench_links.h"

namespace bench {
namespace {

// A random idle pause before every send keeps the samples from locking onto
// any rhythm of the link's threads.
class Pauses {
public:
    void next() { std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms_(random_))); }

private:
    std::mt19937 random_{12345};
    std::uniform_int_distribution<int> pause_ms_{20, 150};
};

struct Delays {
    double median, p99, min, max;
};

Delays delays_of(const std::vector<double> &ms) {
    return {percentile(ms, 0.5), percentile(ms, 0.99), percentile(ms, 0.0), percentile(ms, 1.0)};
}

std::string describe(const std::vector<double> &ms) {
    const Delays d = delays_of(ms);
    char text[160];
    std::snprintf(text, sizeof text, "median %.3f ms, p99 %.3f ms, min %.3f ms, max %.3f ms (%zu samples)", d.median,
                  d.p99, d.min, d.max, ms.size());
    return text;
}

void print_delays(const char *name, const std::vector<double> &ms, const std::string &floor, double floor_median,
                  const char *notes) {
    const double ratio = percentile(ms, 0.5) / floor_median;
    std::printf("| %s | %s | %s | %.*fx at the median | %s |\n", name, describe(ms).c_str(), floor.c_str(),
                ratio < 100 ? 2 : 0, ratio, notes);
}

// The receiving end of the plain pair: a thread blocked in recv, cutting
// NUL-framed texts out of a 1270-byte buffer and noting when each was whole.
class PlainReader {
public:
    explicit PlainReader(int fd) : fd_(fd), thread_([this] { run(); }) {}
    ~PlainReader() {
        shutdown(fd_, SHUT_RDWR);
        thread_.join();
    }

    // When the next frame was whole; false after the time-out.
    bool next(Clock::time_point &whole) {
        std::unique_lock<std::mutex> guard(lock_);
        if (!changed_.wait_for(guard, std::chrono::seconds(30), [&] { return !frames_.empty(); })) return false;
        whole = frames_.front();
        frames_.pop_front();
        return true;
    }

private:
    void run() {
        char buffer[1270];
        size_t fill = 0;
        for (;;) {
            const ssize_t n = recv(fd_, buffer + fill, sizeof buffer - fill, 0);
            if (n <= 0) return;
            const Clock::time_point now = Clock::now();
            fill += static_cast<size_t>(n);
            while (const char *end = static_cast<const char *>(std::memchr(buffer, 0, fill))) {
                const size_t used = static_cast<size_t>(end - buffer) + 1;
                fill -= used;
                std::memmove(buffer, end + 1, fill);
                std::lock_guard<std::mutex> guard(lock_);
                frames_.push_back(now);
                changed_.notify_one();
            }
        }
    }

    int fd_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Clock::time_point> frames_;
    std::thread thread_;
};

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Blocks until one NUL-terminated frame has arrived on fd.
bool read_frame(int fd) {
    char byte = 1;
    while (byte != '\0')
        if (recv(fd, &byte, 1, 0) != 1) return false;
    return true;
}

// The plain pair's one-way median, the floor of every latency row.
double plain_median = 0;

} // namespace

void report_link_latency_and_idle(uint16_t port, int samples) {
    Inbox server, client;
    int out = -1, in = -1;
    if (!open_library_pair(port, server, client) || !plain_socket_pair(static_cast<uint16_t>(port + 1), out, in)) {
        std::fprintf(stderr, "could not open the latency links on ports %u and %u\n", port, port + 1);
        std::exit(1);
    }
    std::vector<double> library, plain;
    {
        PlainReader reader(in);
        Pauses pauses;
        const char frame[] = "M0015322800"; // with its NUL, what the library sends for move_message(15)
        for (int i = 0; i < samples; ++i) {
            pauses.next();
            const kvn_message m = move_message(i);
            const auto sent = Clock::now();
            kvn_send_message(1, &m);
            uintptr_t wparam;
            Clock::time_point posted;
            if (!server.next(wparam, posted, std::chrono::seconds(30))) break;
            library.push_back(ms_between(sent, posted));
            kvn_message received;
            kvn_receive_message(0, &received);

            pauses.next();
            const auto written = Clock::now();
            send(out, frame, sizeof frame, MSG_NOSIGNAL);
            Clock::time_point whole;
            if (!reader.next(whole)) break;
            plain.push_back(ms_between(written, whole));
        }
    }
    close(out);
    close(in);
    plain_median = percentile(plain, 0.5);
    print_delays("latency, one move, library to library", library,
                 "plain pair, reader blocked in recv: " + describe(plain), plain_median,
                 "kvn_send_message to the peer's post; idle pause of 20 to 150 ms before each send");

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
    std::printf("| peer's close to wParam 100 | %.1f ms | | | |\n", loss_ms);
    kvn_disconnect(0);
    std::fflush(stdout);
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
        Clock::time_point posted;
        if (!library.next(wparam, posted, std::chrono::seconds(30))) break;
        receiving.push_back(ms_between(written, posted));
        kvn_message in;
        kvn_receive_message(1, &in);
    }
    char floor[80];
    std::snprintf(floor, sizeof floor, "plain pair above: median %.3f ms", plain_median);
    print_delays("latency, kvn_send_message to the bytes at a plain peer", sending, floor, plain_median, "");
    print_delays("latency, a plain peer's send to the notification", receiving, floor, plain_median, "");
    kvn_disconnect(1);
    close(peer);
    std::fflush(stdout);
}

} // namespace bench
