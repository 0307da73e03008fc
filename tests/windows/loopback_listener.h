// loopback_listener.h - a host's own TCP listener on 127.0.0.1, on a port the system picks.
#pragma once

#include <winsock2.h>

#include <cstdint>

namespace kvn_host {

inline SOCKET listen_on_loopback(int32_t &port) {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) != 0 || listen(s, 4) != 0)
        return INVALID_SOCKET;
    port = ntohs(address.sin_port);
    return s;
}

} // namespace kvn_host
