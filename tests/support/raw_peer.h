// raw_peer.h - a plain TCP peer for tests, on the library's own socket layer, that
// sees and writes the exact bytes on the wire.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>

#include "platform/platform.h"
#include "recording_window.h"

namespace kvn_test {

using kvn::platform::Family;
using kvn::platform::Socket;

// Each test takes fresh ports so that links of earlier tests never interfere.
// Every test runs in a process of its own, so each process starts from a
// random block below the ephemeral range: parallel runs rarely meet.
inline uint16_t next_port() {
    static std::atomic<uint16_t> port{static_cast<uint16_t>(20000 + (std::random_device{}() % 500) * 24)};
    return port++;
}

inline const char *loopback(Family family) { return family == Family::ipv4 ? "127.0.0.1" : "::1"; }

class RawPeer {
public:
    RawPeer() { kvn::platform::net_startup(); }
    ~RawPeer() {
        close();
        if (listener_ != kvn::platform::invalid_socket) kvn::platform::socket_close(listener_);
        kvn::platform::net_cleanup();
    }
    RawPeer(const RawPeer &) = delete;
    RawPeer &operator=(const RawPeer &) = delete;

    // Listens on the loopback wildcard of `family`; accept() later takes the peer.
    bool listen(Family family, uint16_t port) {
        namespace p = kvn::platform;
        listener_ = p::socket_open(family);
        if (listener_ == p::invalid_socket) return false;
        p::socket_prepare_listener(listener_);
        return p::socket_bind_any(listener_, family, port) && p::socket_listen(listener_, 4);
    }

    bool accept() {
        link_ = kvn::platform::socket_accept(listener_);
        return link_ != kvn::platform::invalid_socket && kvn::platform::socket_set_nonblocking(link_);
    }

    // Connects to a library server, retrying while it is not yet in its accept window.
    bool connect(Family family, uint16_t port, std::chrono::milliseconds limit = patience) {
        namespace p = kvn::platform;
        uint8_t address[16] = {};
        if (!p::lookup_host(loopback(family), family, address)) return false;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            link_ = p::socket_open(family);
            if (p::socket_connect(link_, family, address, port)) return p::socket_set_nonblocking(link_);
            p::socket_close(link_);
            link_ = p::invalid_socket;
            p::sleep_ms(10);
        }
        return false;
    }

    // Sends every byte; false if the link fails, or once `stop` is set (a
    // library that holds back its reading would otherwise block us for ever).
    bool send(const std::string &bytes, const std::atomic<bool> *stop = nullptr) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            if (stop != nullptr && stop->load()) return false;
            kvn::platform::reset_net_error();
            const long n = kvn::platform::socket_send(link_, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) sent += static_cast<size_t>(n);
            else if (kvn::platform::last_net_error() == kvn::platform::NetError::would_block)
                kvn::platform::socket_wait_writable(link_, 10);
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
            const long n = kvn::platform::socket_recv(link_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
            else if (n == 0) break;
            else kvn::platform::sleep_ms(5);
        }
        return bytes;
    }

    // Everything that arrives within `quiet`: for checking that nothing more was sent.
    std::string drain(std::chrono::milliseconds quiet) {
        std::string bytes;
        const auto deadline = std::chrono::steady_clock::now() + quiet;
        char buffer[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            const long n = kvn::platform::socket_recv(link_, buffer, sizeof buffer);
            if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
            else if (n == 0) break;
            else kvn::platform::sleep_ms(5);
        }
        return bytes;
    }

    // True once the library has closed its end (recv reports an orderly close).
    bool wait_closed(std::chrono::milliseconds limit = patience) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        char buffer[256];
        while (std::chrono::steady_clock::now() < deadline) {
            const long n = kvn::platform::socket_recv(link_, buffer, sizeof buffer);
            if (n == 0) return true;
            if (n < 0 && kvn::platform::last_net_error() != kvn::platform::NetError::would_block) return true;
            if (n < 0) kvn::platform::sleep_ms(5);
        }
        return false;
    }

    // Hands the connected socket to the caller, who closes it; for tests
    // that end the link in ways of their own (a reset, for one).
    Socket take_link() {
        const Socket link = link_;
        link_ = kvn::platform::invalid_socket;
        return link;
    }

    void close() {
        if (link_ != kvn::platform::invalid_socket) kvn::platform::socket_close(link_);
        link_ = kvn::platform::invalid_socket;
    }

private:
    Socket listener_ = kvn::platform::invalid_socket;
    Socket link_ = kvn::platform::invalid_socket;
};

} // namespace kvn_test
