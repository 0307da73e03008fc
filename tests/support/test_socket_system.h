// test_socket_system.h - the system's socket headers for the test peers, and the
// address builder both systems share (test_socket_address.cpp).
#pragma once

#ifdef _WIN32
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef _WIN32_WINNT
#    define _WIN32_WINNT 0x0601 // Windows 7: WSAPoll
#  endif
// clang-format off
#  include <winsock2.h>
#  include <ws2tcpip.h>
#  include <windows.h>
// clang-format on
#else
#  include <arpa/inet.h>
#  include <netinet/in.h>
#  include <sys/socket.h>
#endif

#include "support/test_sockets.h"

namespace kvn_test {

// The wildcard or the loopback address of `family` with `port`; returns its length.
socklen_t make_address(sockaddr_storage &storage, Family family, bool loopback, uint16_t port);

} // namespace kvn_test
