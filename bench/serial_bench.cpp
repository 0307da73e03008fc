// serial_bench.cpp - time per message on a serial link, over pseudo-terminals slowed to 9600 baud.
//
// Two library links (slots 0 and 1) open COM1 and COM2, which point at the
// slave ends of two pseudo-terminals; a relay in this process is the cable
// between the two master ends and lets each byte through only as fast as a
// real 9600 baud 8N1 line would.
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench_support.h"
#include "core/timing.h"
#include "platform/platform.h"
#include "serial/pty_ports.h"

using namespace bench;
using kvn_test::PortDirectory;
using kvn_test::Pty;

namespace {

constexpr uint32_t notify_message = 0x8001;
constexpr int samples = 20;

// 10 bits (start, 8 data, stop) at 9600 bit/s.
constexpr std::chrono::nanoseconds byte_time{1'041'667};
constexpr double byte_ms = 10.0 / 9600.0 * 1000.0;

// The library's fixed cycle times, in ms, that the model is built from.
constexpr double receiver_pause_ms = kvn::timing::poll_interval_ms;
constexpr double receiver_read_ms = kvn::platform::serial_io_window_ms;

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "serial_bench: %s\n", what);
    std::exit(1);
}

// One direction of the cable.  A byte is handed on when its ten bits would
// have been clocked out: one byte time after it arrived or after the byte
// before it had gone, whichever is later.  So a byte and its echo cost two
// byte times, as on a real line, not one.
class SlowLine {
public:
    SlowLine(int from, int to) : from_(from), to_(to), worker_([this] { run(); }) {}
    ~SlowLine() {
        stop_ = true;
        worker_.join();
    }
    SlowLine(const SlowLine &) = delete;
    SlowLine &operator=(const SlowLine &) = delete;

private:
    void run() {
        // The default 50 us timer slack would add up to ~13 ms over a chat.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        Clock::time_point line_free = Clock::now();
        while (!stop_) {
            pollfd ready{from_, POLLIN, 0};
            if (poll(&ready, 1, 20) != 1 || (ready.revents & POLLIN) == 0) continue;
            uint8_t byte = 0;
            if (::read(from_, &byte, 1) != 1) continue;
            const Clock::time_point delivered = std::max(Clock::now(), line_free) + byte_time;
            std::this_thread::sleep_until(delivered);
            if (::write(to_, &byte, 1) != 1) fail("relay write failed");
            line_free = delivered;
        }
    }

    int from_;
    int to_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

// Time on the cable for one message of n characters: start marker, text and
// end marker, each byte sent and then echoed before the next goes.
double wire_ms(size_t n) { return 2.0 * static_cast<double>(n + 2) * byte_ms; }

// Average waits around the wire time, with a message handed over at a random moment
// (the sender wakes for it at once):
// - the sender's own receiver holds the line for its 200 ms read, 2/3 of its
//   cycle, and the sender must wait out the rest of that read: (2/3) x 100 ms;
// - the peer's receiver takes the start marker at once during its read and
//   only after its pause otherwise: (1/3) x 50 ms.
double waiting_ms() {
    const double cycle = receiver_pause_ms + receiver_read_ms;
    return receiver_read_ms / cycle * (receiver_read_ms / 2) + receiver_pause_ms / cycle * (receiver_pause_ms / 2);
}

double model_ms(size_t n) { return wire_ms(n) + waiting_ms(); }

int read_within(int fd, int limit_ms) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, limit_ms) != 1 || (ready.revents & POLLIN) == 0) return -1;
    uint8_t byte = 0;
    return ::read(fd, &byte, 1) == 1 ? byte : -1;
}

// The relay with no library: this process writes each byte on one slave,
// echoes it from the other and waits for the echo before the next.
double relay_alone_ms(const Pty &a, const Pty &b, size_t bytes) {
    const auto start = Clock::now();
    for (size_t i = 0; i < bytes; ++i) {
        const uint8_t byte = static_cast<uint8_t>('a' + i % 26);
        if (::write(a.slave(), &byte, 1) != 1) fail("calibration write failed");
        if (read_within(b.slave(), 2000) != byte) fail("calibration byte lost");
        if (::write(b.slave(), &byte, 1) != 1) fail("calibration echo failed");
        if (read_within(a.slave(), 2000) != byte) fail("calibration echo lost");
    }
    return seconds_since(start) * 1000;
}

kvn_message move_message() {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = KVN_MOVE;
    m.u.move.time = 15;
    m.u.move.from_square = 32;
    m.u.move.to_square = 28;
    return m; // "M0015322800"
}

kvn_message chat_message() {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = KVN_CHAT;
    std::memset(m.u.chat.text, 'c', 125); // 126-character wire text
    return m;
}

struct Spread {
    double median, mean, low, high;
    double rig_median; // the same bytes echoed over a spare relayed pair, no library
};

// A second cable that only this process uses: timed right after each
// library sample, it shows what the pseudo-terminals and the relay threads
// add to the line time under the machine's load of that moment.
struct SpareCable {
    Pty a, b;
    SlowLine forth{a.master(), b.master()};
    SlowLine back{b.master(), a.master()};
};

// Slot 1 sends, slot 0 is notified; one message in flight at a time.
Spread time_per_message(Inbox &arrivals, const kvn_message &message, size_t chars, SpareCable &spare,
                        std::mt19937 &random) {
    // A random pause keeps the samples from locking onto the workers' cycles,
    // which all restart when a message has gone through.
    std::uniform_int_distribution<int> pause_ms(0, 300);
    std::vector<double> times, rig;
    for (int i = 0; i < samples; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms(random)));
        const auto sent = Clock::now();
        kvn_send_message(1, &message);
        uintptr_t wparam = 0;
        if (!arrivals.next(wparam, std::chrono::seconds(15))) fail("a message did not arrive within 15 s");
        times.push_back(seconds_since(sent) * 1000);
        kvn_message in;
        kvn_receive_message(0, &in);
        if (in.type != message.type) fail("a different message arrived");
        rig.push_back(relay_alone_ms(spare.a, spare.b, chars + 2));
    }
    const double mean = std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(times.size());
    return {percentile(times, 0.5), mean, percentile(times, 0.0), percentile(times, 1.0), percentile(rig, 0.5)};
}

void report(const char *measure, const Spread &s, size_t chars) {
    const double model = model_ms(chars);
    const double ratio = s.median / model;
    // What the test rig adds beyond the ideal line is not the library's.
    const double rig_excess = std::max(0.0, s.rig_median - wire_ms(chars));
    std::printf("| %s | median %.1f ms | %.1f ms | %.2f | mean %.1f, min %.1f, max %.1f ms, %d samples; "
                "target 1.2x %s; rig alone %.1f ms for these %zu bytes (line %.1f ms), so net of the rig "
                "%.1f ms, %.2fx |\n",
                measure, s.median, model, ratio, s.mean, s.low, s.high, samples, ratio <= 1.2 ? "met" : "missed",
                s.rig_median, chars + 2, wire_ms(chars), s.median - rig_excess, (s.median - rig_excess) / model);
}

} // namespace

int main() {
    // Before anything else: no COMn may ever reach a real serial device.
    kvn::platform::set_serial_device_pattern_for_tests(kvn_test::nowhere_pattern);

    Pty cable_1, cable_0; // COM1 for slot 1, COM2 for slot 0
    SlowLine to_0(cable_1.master(), cable_0.master());
    SlowLine to_1(cable_0.master(), cable_1.master());

    std::printf("| measure | library | model | ratio | notes |\n|---|---|---|---|---|\n");
    const double calibration = relay_alone_ms(cable_1, cable_0, 128);
    std::printf("| relay alone, 128 bytes each echoed | %.1f ms | %.1f ms | %.2f | the simulated line, no library |\n",
                calibration, 2 * 128 * byte_ms, calibration / (2 * 128 * byte_ms));

    Spread move{}, chat{};
    {
        PortDirectory ports;
        ports.link(1, cable_1);
        ports.link(2, cable_0);
        Inbox arrivals;
        if (kvn_nulmodem_connect(0, 2, arrivals.handle(), notify_message) != KVN_OK) fail("slot 0 did not open COM2");
        if (kvn_nulmodem_connect(1, 1, nullptr, notify_message) != KVN_OK) fail("slot 1 did not open COM1");
        SpareCable spare;
        std::mt19937 random(12345);
        move = time_per_message(arrivals, move_message(), 11, spare, random);
        chat = time_per_message(arrivals, chat_message(), 126, spare, random);
        kvn_disconnect(1);
        kvn_disconnect(0);
    }
    report("one move (11 chars), idle link", move, 11);
    report("one chat (126 chars), idle link", chat, 126);

    std::printf("\nmodel = 2 x (n + 2) x %.4f ms  (start marker, n characters, end marker; each byte and its echo)\n"
                "      + %.0f/%.0f x %.0f / 2 ms  (sender's own receiver holds the line for its read)\n"
                "      + %.0f/%.0f x %.0f / 2 ms  (peer's receiver in its pause when the start marker comes)\n"
                "      = 2.0833 x (n + 2) + %.1f ms\n",
                byte_ms, receiver_read_ms, receiver_pause_ms + receiver_read_ms, receiver_read_ms, receiver_pause_ms,
                receiver_pause_ms + receiver_read_ms, receiver_pause_ms, waiting_ms());
    return 0;
}
