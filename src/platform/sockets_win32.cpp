// sockets_win32.cpp - the socket layer on Windows (Winsock 1.1 calls, WSA codes mapped to NetError).
#include "platform/win32_headers.h"

#include <climits>

#include "platform/socket_addresses.h"

namespace kvn::platform {

namespace {

SOCKET to_handle(Socket s) { return static_cast<SOCKET>(s); }

Socket from_handle(SOCKET s) { return s == INVALID_SOCKET ? invalid_socket : static_cast<Socket>(s); }

int clamp_length(size_t length) { return length > INT_MAX ? INT_MAX : static_cast<int>(length); }

} // namespace

bool net_startup() {
    WSADATA data;
    return WSAStartup(0x0101, &data) == 0;
}

bool net_cleanup() { return WSACleanup() == 0; }

NetError last_net_error() {
    switch (WSAGetLastError()) {
    case 0: return NetError::none;
    case WSAEWOULDBLOCK: return NetError::would_block;
    case WSAEINPROGRESS: return NetError::in_progress;
    default: return NetError::other;
    }
}

void reset_net_error() { WSASetLastError(0); }

Socket socket_open(Family family) { return from_handle(socket(domain_of(family), SOCK_STREAM, IPPROTO_TCP)); }

bool socket_connect(Socket s, Family family, const uint8_t address[16], uint16_t port) {
    sockaddr_storage peer;
    const socklen_t length = make_address(peer, family, address, port);
    return connect(to_handle(s), reinterpret_cast<sockaddr *>(&peer), length) == 0;
}

// Windows lets a port whose last link is in TIME_WAIT be listened on again,
// and SO_REUSEADDR would mean something else here (sharing a live port).
void socket_prepare_listener(Socket) {}

bool socket_bind_any(Socket s, Family family, uint16_t port) {
    sockaddr_storage local;
    const socklen_t length = make_address(local, family, nullptr, port);
    return bind(to_handle(s), reinterpret_cast<sockaddr *>(&local), length) == 0;
}

bool socket_listen(Socket s, int backlog) { return listen(to_handle(s), backlog) == 0; }

// The accepted socket inherits the listener's non-blocking mode.
Socket socket_accept(Socket listener) { return from_handle(accept(to_handle(listener), nullptr, nullptr)); }

bool socket_set_nonblocking(Socket s) {
    u_long on = 1;
    return ioctlsocket(to_handle(s), static_cast<long>(FIONBIO), &on) == 0;
}

bool socket_set_keepalive(Socket s, uint32_t idle_s, uint32_t interval_s, uint32_t) {
    int32_t on = 1;
    if (setsockopt(to_handle(s), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char *>(&on), sizeof on) != 0)
        return false;
    // Windows sends 10 probes (since Vista) and lets a program set only the
    // two times, in milliseconds.
    tcp_keepalive timing{1, idle_s * 1000u, interval_s * 1000u};
    DWORD returned = 0;
    WSAIoctl(to_handle(s), SIO_KEEPALIVE_VALS, &timing, sizeof timing, nullptr, 0, &returned, nullptr, nullptr);
    return true;
}

void socket_set_unacked_limit(Socket s, uint32_t limit_s) {
    // TCP_MAXRT, in seconds (Windows Vista on); older systems keep their own.
    constexpr int max_retransmission_time = 5;
    const DWORD seconds = limit_s;
    setsockopt(to_handle(s), IPPROTO_TCP, max_retransmission_time, reinterpret_cast<const char *>(&seconds),
               sizeof seconds);
}

long socket_send(Socket s, const char *data, size_t length) {
    return static_cast<long>(send(to_handle(s), data, clamp_length(length), 0));
}

long socket_recv(Socket s, char *buffer, size_t capacity) {
    return static_cast<long>(recv(to_handle(s), buffer, clamp_length(capacity), 0));
}

void socket_wait_writable(Socket s, uint32_t timeout_ms) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(to_handle(s), &writable);
    timeval limit{static_cast<long>(timeout_ms / 1000), static_cast<long>(timeout_ms % 1000) * 1000L};
    select(0, nullptr, &writable, nullptr, &limit);
}

void socket_close(Socket s) {
    if (s != invalid_socket) closesocket(to_handle(s));
}

void socket_shutdown_send(Socket s) {
    if (s != invalid_socket) shutdown(to_handle(s), SD_SEND);
}

void socket_discard_input(Socket s) {
    // The socket is non-blocking; bounded, so a peer that never stops
    // sending cannot hold us here.
    char buffer[4096];
    for (int round = 0; s != invalid_socket && round < 256; ++round)
        if (recv(to_handle(s), buffer, sizeof buffer, 0) <= 0) break;
}

} // namespace kvn::platform
