// test_socket_address.cpp - the test peers' socket addresses: the same calls on POSIX and on Windows.
#include "support/test_socket_system.h"

namespace kvn_test {

socklen_t make_address(sockaddr_storage &storage, Family family, bool loopback, uint16_t port) {
    storage = {};
    if (family == Family::ipv4) {
        auto &in = reinterpret_cast<sockaddr_in &>(storage);
        in.sin_family = AF_INET;
        in.sin_port = htons(port);
        in.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
        return static_cast<socklen_t>(sizeof(sockaddr_in));
    }
    auto &in6 = reinterpret_cast<sockaddr_in6 &>(storage);
    in6.sin6_family = AF_INET6;
    in6.sin6_port = htons(port);
    if (loopback) in6.sin6_addr.s6_addr[15] = 1;
    return static_cast<socklen_t>(sizeof(sockaddr_in6));
}

} // namespace kvn_test
