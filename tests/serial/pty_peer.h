// pty_peer.h - pseudo-terminals standing in for COM ports, a test-side peer on them, and a relay.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "serial/serial_test_seam.h"
#include "support/recording_window.h"

namespace kvn_test {

inline constexpr uint8_t start_marker = 0xD3;
inline constexpr uint8_t end_marker = 0xC5;
inline constexpr int nothing = -1;

// Where COMn points whenever no test has set up its own ports: a folder
// that does not exist, so no test can ever reach a real serial device.
inline constexpr const char *nowhere_pattern = "/nonexistent-kvn-test-ports/COM%d";

// One pseudo-terminal.  The library opens the slave by name; the test
// holds the master, which is the far end of the "cable".  The test also
// keeps the slave open, so the master never sees a hang-up in between.
class Pty {
public:
    Pty() {
        termios raw{};
        cfmakeraw(&raw);
        char name[256] = {};
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) throw std::runtime_error("openpty failed");
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(slave_, F_SETFD, FD_CLOEXEC);
        slave_name_ = name;
    }
    ~Pty() {
        ::close(master_);
        ::close(slave_);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    const std::string &slave_name() const { return slave_name_; }
    int master() const { return master_; }

    // The next byte from the library, or `nothing` after `limit`.
    int read_byte(std::chrono::milliseconds limit = patience) {
        pollfd ready{master_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(limit.count())) != 1 || (ready.revents & POLLIN) == 0) return nothing;
        uint8_t byte = 0;
        return ::read(master_, &byte, 1) == 1 ? byte : nothing;
    }

    void write_byte(uint8_t byte) {
        if (::write(master_, &byte, 1) != 1) throw std::runtime_error("pty write failed");
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_name_;
};

// A private folder of COMn links to pseudo-terminals, made the library's
// idea of where COM ports are for as long as it lives.
class PortDirectory {
public:
    PortDirectory() {
        char folder[] = "/tmp/kvn-serial-XXXXXX";
        if (mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp failed");
        folder_ = folder;
        kvn::platform::set_serial_device_pattern_for_tests((folder_ + "/COM%d").c_str());
    }
    ~PortDirectory() {
        kvn::platform::set_serial_device_pattern_for_tests(nowhere_pattern);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    PortDirectory(const PortDirectory &) = delete;
    PortDirectory &operator=(const PortDirectory &) = delete;

    void link(int com_number, const Pty &pty) {
        std::filesystem::create_symlink(pty.slave_name(), path_of(com_number));
    }
    std::string path_of(int com_number) const { return folder_ + "/COM" + std::to_string(com_number); }

private:
    std::string folder_;
};

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
inline size_t thread_count() { return entries_in("/proc/self/task"); }
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
