// test_sockets_win32.cpp - the test peers' sockets on Windows: Winsock.
#include "support/test_socket_system.h"

namespace kvn_test {

namespace {

SOCKET to_handle(TestSocket s) { return static_cast<SOCKET>(s); }
TestSocket from_handle(SOCKET handle) { return handle == INVALID_SOCKET ? no_socket : static_cast<TestSocket>(handle); }

TestSocket open_tcp(Family family) {
    return from_handle(socket(family == Family::ipv4 ? AF_INET : AF_INET6, SOCK_STREAM, IPPROTO_TCP));
}

bool set_nonblocking(TestSocket s) {
    u_long on = 1;
    return ioctlsocket(to_handle(s), static_cast<long>(FIONBIO), &on) == 0;
}

long result_of(int n) {
    if (n != SOCKET_ERROR) return n;
    return WSAGetLastError() == WSAEWOULDBLOCK ? not_yet : socket_error;
}

// Winsock takes at most an int's worth at a time.
int chunk(size_t length) { return length > 0x40000000u ? 0x40000000 : static_cast<int>(length); }

} // namespace

bool sockets_startup() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void sockets_cleanup() { WSACleanup(); }

// No SO_REUSEADDR: Windows lets a port whose last link is in TIME_WAIT be
// listened on again, and the option would mean sharing a live port here.
TestSocket bind_without_listening(Family family, uint16_t port) {
    const TestSocket s = open_tcp(family);
    if (s == no_socket) return no_socket;
    sockaddr_storage local;
    const int length = make_address(local, family, false, port);
    if (bind(to_handle(s), reinterpret_cast<sockaddr *>(&local), length) != 0) {
        closesocket(to_handle(s));
        return no_socket;
    }
    return s;
}

TestSocket listen_on(Family family, uint16_t port, int backlog) {
    const TestSocket s = bind_without_listening(family, port);
    if (s != no_socket && listen(to_handle(s), backlog) != 0) {
        closesocket(to_handle(s));
        return no_socket;
    }
    return s;
}

TestSocket accept_peer(TestSocket listener) {
    const TestSocket s = from_handle(accept(to_handle(listener), nullptr, nullptr));
    if (s != no_socket && !set_nonblocking(s)) {
        closesocket(to_handle(s));
        return no_socket;
    }
    return s;
}

TestSocket connect_to_loopback(Family family, uint16_t port) {
    const TestSocket s = open_tcp(family);
    if (s == no_socket) return no_socket;
    sockaddr_storage peer;
    const int length = make_address(peer, family, true, port);
    if (connect(to_handle(s), reinterpret_cast<sockaddr *>(&peer), length) != 0 || !set_nonblocking(s)) {
        closesocket(to_handle(s));
        return no_socket;
    }
    return s;
}

long send_now(TestSocket s, const char *data, size_t length) {
    return result_of(send(to_handle(s), data, chunk(length), 0));
}

long recv_now(TestSocket s, char *buffer, size_t capacity) {
    return result_of(recv(to_handle(s), buffer, chunk(capacity), 0));
}

void wait_writable(TestSocket s, uint32_t timeout_ms) {
    WSAPOLLFD entry{to_handle(s), POLLWRNORM, 0};
    WSAPoll(&entry, 1, static_cast<INT>(timeout_ms));
}

void close_socket(TestSocket s) {
    if (s != no_socket) closesocket(to_handle(s));
}

} // namespace kvn_test
