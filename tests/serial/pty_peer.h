// pty_peer.h - a test-side peer on the pseudo-terminals of pty_ports.h, and a relay between two of them.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "serial/pty_ports.h"
#include "support/recording_window.h"

namespace kvn_test {

inline constexpr uint8_t start_marker = 0xD3;
inline constexpr uint8_t end_marker = 0xC5;

// The null-modem cable between two library links: copies every byte from
// one master to the other.  It can lose one chosen byte on its way.
class Relay {
public:
    Relay(Pty &a, Pty &b) : a_(a), b_(b), worker_([this] { run(); }) {}
    ~Relay() {
        stop_ = true;
        worker_.join();
    }
    Relay(const Relay &) = delete;
    Relay &operator=(const Relay &) = delete;

    // The next `byte` travelling from b to a disappears.
    void lose_next_towards_a(uint8_t byte) { lose_towards_a_ = byte; }

private:
    void run() {
        while (!stop_) {
            pollfd ready[2] = {{a_.master(), POLLIN, 0}, {b_.master(), POLLIN, 0}};
            if (poll(ready, 2, 20) <= 0) continue;
            if ((ready[0].revents & POLLIN) != 0) pass(a_, b_, -1);
            if ((ready[1].revents & POLLIN) != 0) pass(b_, a_, lose_towards_a_.load());
        }
    }
    void pass(Pty &from, Pty &to, int lose) {
        uint8_t byte = 0;
        if (::read(from.master(), &byte, 1) != 1) return;
        if (lose == byte) {
            lose_towards_a_ = -1;
            return;
        }
        to.write_byte(byte);
    }

    Pty &a_;
    Pty &b_;
    std::atomic<bool> stop_{false};
    std::atomic<int> lose_towards_a_{-1};
    std::thread worker_;
};

// The test as the far peer of a library link.

// Answers one whole message from the library, echoing every byte, and
// returns its characters; throws on anything but a well-formed message.
inline std::string echo_one_message(Pty &peer) {
    if (peer.read_byte() != start_marker) throw std::runtime_error("no start marker");
    peer.write_byte(start_marker);
    std::string text;
    for (;;) {
        const int byte = peer.read_byte();
        if (byte == nothing) throw std::runtime_error("message stopped");
        peer.write_byte(static_cast<uint8_t>(byte));
        if (byte == end_marker) return text;
        if (byte == start_marker) throw std::runtime_error("message restarted");
        text.push_back(static_cast<char>(byte));
    }
}

// Writes each byte to the library and returns the echoes that came back
// (`nothing` where none came within `limit`).
inline std::vector<int> send_bytes(Pty &peer, const std::vector<uint8_t> &bytes,
                                   std::chrono::milliseconds limit = patience) {
    std::vector<int> echoes;
    for (uint8_t byte : bytes) {
        peer.write_byte(byte);
        echoes.push_back(peer.read_byte(limit));
    }
    return echoes;
}

inline std::vector<uint8_t> framed(const std::string &text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() + 2);
    bytes.push_back(start_marker);
    for (char c : text) bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(end_marker);
    return bytes;
}

inline std::vector<int> as_echoes(const std::vector<uint8_t> &bytes) { return {bytes.begin(), bytes.end()}; }

inline size_t entries_in(const char *folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}
inline size_t thread_count() {
    // ThreadSanitizer starts a helper thread of its own with the program's
    // first thread; start and join one before the first count, so that the
    // helper is in every baseline, whatever test runs first in the process.
    // A joined thread can still be listed for a moment after the join
    // returns, so the count waits until its entry has gone.
    static const bool warmed_up = [] {
        pid_t id = 0;
        std::thread([&id] { id = gettid(); }).join();
        const std::string entry = "/proc/self/task/" + std::to_string(id);
        for (int tries = 0; tries < 5000 && std::filesystem::exists(entry); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    }();
    (void)warmed_up;
    return entries_in("/proc/self/task");
}
inline size_t descriptor_count() { return entries_in("/proc/self/fd"); }

// Waits until `condition` holds, at most `limit`.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = patience) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace kvn_test
