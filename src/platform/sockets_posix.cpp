// sockets_posix.cpp - the socket layer on POSIX (BSD sockets, errno mapped to NetError).
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/socket_addresses.h"

namespace kvn::platform {

namespace {

int to_fd(Socket s) { return static_cast<int>(s); }

} // namespace

bool net_startup() { return true; }
bool net_cleanup() { return true; }

NetError last_net_error() {
    switch (errno) {
    case 0: return NetError::none;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return NetError::would_block;
    case EINPROGRESS: return NetError::in_progress;
    default: return NetError::other;
    }
}

void reset_net_error() { errno = 0; }

Socket socket_open(Family family) {
    const int fd = socket(domain_of(family), SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    return fd < 0 ? invalid_socket : fd;
}

bool socket_connect(Socket s, Family family, const uint8_t address[16], uint16_t port) {
    sockaddr_storage peer;
    const socklen_t length = make_address(peer, family, address, port);
    int result;
    do {
        result = connect(to_fd(s), reinterpret_cast<sockaddr *>(&peer), length);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

void socket_prepare_listener(Socket s) {
    // Lets a server listen again on a port whose last link is still in
    // TIME_WAIT; a second live listener on the port is still refused.
    int on = 1;
    setsockopt(to_fd(s), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

bool socket_bind_any(Socket s, Family family, uint16_t port) {
    sockaddr_storage local;
    const socklen_t length = make_address(local, family, nullptr, port);
    return bind(to_fd(s), reinterpret_cast<sockaddr *>(&local), length) == 0;
}

bool socket_listen(Socket s, int backlog) { return listen(to_fd(s), backlog) == 0; }

Socket socket_accept(Socket listener) {
    // Unlike Windows, an accepted POSIX socket does not inherit non-blocking mode.
    const int fd = accept4(to_fd(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return fd < 0 ? invalid_socket : fd;
}

bool socket_set_nonblocking(Socket s) {
    const int flags = fcntl(to_fd(s), F_GETFL, 0);
    return flags >= 0 && fcntl(to_fd(s), F_SETFL, flags | O_NONBLOCK) == 0;
}

bool socket_set_keepalive(Socket s, uint32_t idle_s, uint32_t interval_s, uint32_t probes) {
    int32_t on = 1;
    if (setsockopt(to_fd(s), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) return false;
    const int idle = static_cast<int>(idle_s), interval = static_cast<int>(interval_s),
              count = static_cast<int>(probes);
    setsockopt(to_fd(s), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(to_fd(s), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(to_fd(s), IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    return true;
}

void socket_set_unacked_limit(Socket s, uint32_t limit_s) {
    const unsigned int milliseconds = limit_s * 1000u;
    setsockopt(to_fd(s), IPPROTO_TCP, TCP_USER_TIMEOUT, &milliseconds, sizeof milliseconds);
}

long socket_send(Socket s, const char *data, size_t length) {
    // MSG_NOSIGNAL: a peer that has gone must show up as an error, not kill the host.
    return static_cast<long>(send(to_fd(s), data, length, MSG_NOSIGNAL));
}

long socket_recv(Socket s, char *buffer, size_t capacity) {
    return static_cast<long>(recv(to_fd(s), buffer, capacity, 0));
}

void socket_wait_writable(Socket s, uint32_t timeout_ms) {
    pollfd entry{to_fd(s), POLLOUT, 0};
    poll(&entry, 1, static_cast<int>(timeout_ms));
}

void socket_close(Socket s) {
    if (s >= 0) close(to_fd(s));
}

void socket_shutdown_send(Socket s) {
    if (s >= 0) shutdown(to_fd(s), SHUT_WR);
}

void socket_discard_input(Socket s) {
    // Bounded, so a peer that never stops sending cannot hold us here.
    char buffer[4096];
    for (int round = 0; s >= 0 && round < 256; ++round)
        if (recv(to_fd(s), buffer, sizeof buffer, MSG_DONTWAIT) <= 0) break;
}

} // namespace kvn::platform
