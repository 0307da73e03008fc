// socket_addresses.cpp - socket addresses and host lookup: the same calls on POSIX and on Windows.
#include "platform/socket_addresses.h"

#include <cstring>

namespace kvn::platform {

int domain_of(Family family) { return family == Family::ipv4 ? AF_INET : AF_INET6; }

socklen_t make_address(sockaddr_storage &storage, Family family, const uint8_t *address, uint16_t port) {
    std::memset(&storage, 0, sizeof storage);
    if (family == Family::ipv4) {
        auto &in = reinterpret_cast<sockaddr_in &>(storage);
        in.sin_family = AF_INET;
        in.sin_port = htons(port);
        if (address != nullptr) std::memcpy(&in.sin_addr, address, 4);
        else in.sin_addr.s_addr = htonl(INADDR_ANY);
        return static_cast<socklen_t>(sizeof(sockaddr_in));
    }
    auto &in6 = reinterpret_cast<sockaddr_in6 &>(storage);
    in6.sin6_family = AF_INET6;
    in6.sin6_port = htons(port);
    if (address != nullptr) std::memcpy(&in6.sin6_addr, address, 16);
    return static_cast<socklen_t>(sizeof(sockaddr_in6));
}

bool lookup_host(const char *name, Family family, uint8_t address[16]) {
    addrinfo hints{};
    hints.ai_family = domain_of(family);
    addrinfo *results = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &results) != 0 || results == nullptr) return false;
    if (family == Family::ipv4) std::memcpy(address, &reinterpret_cast<sockaddr_in *>(results->ai_addr)->sin_addr, 4);
    else std::memcpy(address, &reinterpret_cast<sockaddr_in6 *>(results->ai_addr)->sin6_addr, 16);
    freeaddrinfo(results);
    return true;
}

} // namespace kvn::platform
