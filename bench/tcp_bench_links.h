// tcp_bench_links.h - the links and plain sockets the TCP benchmarks measure.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "bench_support.h"

namespace bench {

inline constexpr uint32_t notify_message = 0x8001;

inline kvn_message move_message(int i) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = KVN_MOVE;
    m.u.move.time = static_cast<int16_t>(i % 10000);
    m.u.move.from_square = 32;
    m.u.move.to_square = 28;
    return m;
}

inline kvn_message chat_message() {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = KVN_CHAT;
    std::memset(m.u.chat.text, 'c', 125); // 126-character wire text
    return m;
}

// Slot 0 serves, slot 1 connects, both on loopback.
inline bool open_library_pair(uint16_t port, Inbox &server, Inbox &client) {
    int32_t served = 1;
    std::thread serving([&] {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        do served = kvn_socket_connect_ex(0, "", server.handle(), notify_message, port);
        while (served == KVN_NO_PEER && Clock::now() < deadline);
    });
    int32_t connected = KVN_CONNECT_FAILED;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (connected == KVN_CONNECT_FAILED && Clock::now() < deadline) {
        connected = kvn_socket_connect_ex(1, "127.0.0.1", client.handle(), notify_message, port);
        if (connected != KVN_OK) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    serving.join();
    return served == KVN_OK && connected == KVN_OK;
}

// A blocking IPv4 loopback listener on port, or -1.
inline int plain_listener(uint16_t port) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(listener, 1) != 0) {
        close(listener);
        return -1;
    }
    return listener;
}

// Two ends of a plain loopback connection, no library involved.
inline bool plain_socket_pair(uint16_t port, int &out, int &in) {
    const int listener = plain_listener(port);
    if (listener < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    out = socket(AF_INET, SOCK_STREAM, 0);
    const bool joined = connect(out, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    in = joined ? accept(listener, nullptr, nullptr) : -1;
    close(listener);
    return in >= 0;
}

} // namespace bench
