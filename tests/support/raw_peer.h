// raw_peer.h - a plain TCP peer for tests, on the system's own sockets, that sees and
// writes the exact bytes on the wire.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>

#include "recording_window.h"
#include "support/test_sockets.h"

namespace kvn_test {

// Each test takes fresh ports so that links of earlier tests never interfere.
// Every test runs in a process of its own, so each process starts from a
// random block below the ephemeral range: parallel runs rarely meet.
inline uint16_t next_port() {
    static std::atomic<uint16_t> port{static_cast<uint16_t>(20000 + (std::random_device{}() % 500) * 24)};
    return port++;
}

// A text as it goes over TCP: its characters, then one NUL.
inline std::string framed(const std::string &text) { return text + '\0'; }

inline const char *loopback(Family family) { return family == Family::ipv4 ? "127.0.0.1" : "::1"; }

class RawPeer {
public:
    RawPeer() { started_ = sockets_startup(); }
    ~RawPeer() {
        close();
        close_socket(listener_);
        if (started_) sockets_cleanup();
    }
    RawPeer(const RawPeer &) = delete;
    RawPeer &operator=(const RawPeer &) = delete;

    // Listens on the loopback wildcard of `family`; accept() later takes the peer.
    bool listen(Family family, uint16_t port) {
        listener_ = listen_on(family, port, 4);
        return listener_ != no_socket;
    }

    bool accept() {
        link_ = accept_peer(listener_);
        return link_ != no_socket;
    }

    // Connects to a library server, retrying while it is not yet in its accept window.
    bool connect(Family family, uint16_t port, std::chrono::milliseconds limit = patience) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            link_ = connect_to_loopback(family, port);
            if (link_ != no_socket) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Sends every byte; false if the link fails, or once `stop` is set (a
    // library that holds back its reading would otherwise block us for ever).
    bool send(const std::string &bytes, const std::atomic<bool> *stop = nullptr) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            if (stop != nullptr && stop->load()) return false;
            const long n = send_now(link_, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) sent += static_cast<size_t>(n);
            else if (n == not_yet) wait_writable(link_, 10);
            else return false;
        }
        return true;
    }

    // Reads until `count` bytes have arrived or the time runs out.
    std::string receive(size_t count, std::chrono::milliseconds limit = patience) {
        std::string bytes;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        char buffer[4096];
        while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
            const long n = recv_now(link_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
            else if (n == 0) break;
            else std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return bytes;
    }

    // Everything that arrives within `quiet`: for checking that nothing more was sent.
    std::string drain(std::chrono::milliseconds quiet) {
        std::string bytes;
        const auto deadline = std::chrono::steady_clock::now() + quiet;
        char buffer[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            const long n = recv_now(link_, buffer, sizeof buffer);
            if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
            else if (n == 0) break;
            else std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return bytes;
    }

    // True once the library has closed its end (recv reports an orderly close).
    bool wait_closed(std::chrono::milliseconds limit = patience) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        char buffer[256];
        while (std::chrono::steady_clock::now() < deadline) {
            const long n = recv_now(link_, buffer, sizeof buffer);
            if (n == 0 || n == socket_error) return true;
            if (n == not_yet) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Hands the connected socket to the caller, who closes it; for tests
    // that end the link in ways of their own (a reset, for one).
    TestSocket take_link() {
        const TestSocket link = link_;
        link_ = no_socket;
        return link;
    }

    void close() {
        close_socket(link_);
        link_ = no_socket;
    }

private:
    bool started_ = false;
    TestSocket listener_ = no_socket;
    TestSocket link_ = no_socket;
};

} // namespace kvn_test
