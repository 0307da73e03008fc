// socket_addresses.h - the system's socket headers, and the address building both socket back ends share.
#pragma once

#ifdef _WIN32
#  include "platform/win32_headers.h"
#else
#  include <netdb.h>
#  include <netinet/in.h>
#  include <sys/socket.h>
#endif

#include <cstdint>

#include "platform/platform.h"

namespace kvn::platform {

int domain_of(Family family);

// Fills `storage` with the socket address of `address` (4 or 16 bytes, or
// null for the wildcard address) and `port`; returns the length to pass on.
socklen_t make_address(sockaddr_storage &storage, Family family, const uint8_t *address, uint16_t port);

} // namespace kvn::platform
