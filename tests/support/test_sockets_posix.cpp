// test_sockets_posix.cpp - the test peers' sockets on POSIX: BSD sockets.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "support/test_socket_system.h"

namespace kvn_test {

namespace {

TestSocket open_tcp(Family family) {
    const int fd = socket(family == Family::ipv4 ? AF_INET : AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    return fd < 0 ? no_socket : fd;
}

bool set_nonblocking(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

long result_of(ssize_t n) {
    if (n >= 0) return static_cast<long>(n);
    return errno == EAGAIN || errno == EWOULDBLOCK ? not_yet : socket_error;
}

// A TCP socket bound to the loopback port, or no_socket.
TestSocket bound_socket(Family family, uint16_t port, bool reuse_address) {
    const TestSocket s = open_tcp(family);
    if (s == no_socket) return no_socket;
    int on = 1;
    if (reuse_address) setsockopt(static_cast<int>(s), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage local;
    const socklen_t length = make_address(local, family, false, port);
    if (bind(static_cast<int>(s), reinterpret_cast<sockaddr *>(&local), length) != 0) {
        ::close(static_cast<int>(s));
        return no_socket;
    }
    return s;
}

} // namespace

bool sockets_startup() { return true; }
void sockets_cleanup() {}

TestSocket listen_on(Family family, uint16_t port, int backlog) {
    // As a server would: a port whose last link is still in TIME_WAIT can be listened on again.
    const TestSocket s = bound_socket(family, port, true);
    if (s != no_socket && listen(static_cast<int>(s), backlog) != 0) {
        ::close(static_cast<int>(s));
        return no_socket;
    }
    return s;
}

// No SO_REUSEADDR here: the port is held so that nothing else can bind it.
TestSocket bind_without_listening(Family family, uint16_t port) { return bound_socket(family, port, false); }

TestSocket accept_peer(TestSocket listener) {
    const int fd = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return fd < 0 ? no_socket : fd;
}

TestSocket connect_to_loopback(Family family, uint16_t port) {
    const TestSocket s = open_tcp(family);
    if (s == no_socket) return no_socket;
    sockaddr_storage peer;
    const socklen_t length = make_address(peer, family, true, port);
    int result;
    do {
        result = connect(static_cast<int>(s), reinterpret_cast<sockaddr *>(&peer), length);
    } while (result != 0 && errno == EINTR);
    if (result != 0 || !set_nonblocking(static_cast<int>(s))) {
        ::close(static_cast<int>(s));
        return no_socket;
    }
    return s;
}

long send_now(TestSocket s, const char *data, size_t length) {
    // MSG_NOSIGNAL: a library end that has gone is an error, not the end of the test program.
    return result_of(send(static_cast<int>(s), data, length, MSG_NOSIGNAL));
}

long recv_now(TestSocket s, char *buffer, size_t capacity) {
    return result_of(recv(static_cast<int>(s), buffer, capacity, 0));
}

void wait_writable(TestSocket s, uint32_t timeout_ms) {
    pollfd entry{static_cast<int>(s), POLLOUT, 0};
    poll(&entry, 1, static_cast<int>(timeout_ms));
}

void close_socket(TestSocket s) {
    if (s != no_socket) ::close(static_cast<int>(s));
}

} // namespace kvn_test
