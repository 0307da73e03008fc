// test_sockets.h - the system's own TCP sockets for test peers (BSD sockets or Winsock, one file per
// system), so that a fault in the library's socket layer cannot hide by being on both ends of a link.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn_test {

enum class Family { ipv4, ipv6 };

using TestSocket = intptr_t;
inline constexpr TestSocket no_socket = -1;

// What send_now and recv_now return instead of a byte count.
inline constexpr long not_yet = -1;      // the socket would block
inline constexpr long socket_error = -2; // any other failure

// The system's socket library, for one user more or one fewer (Winsock counts them).
bool sockets_startup();
void sockets_cleanup();

// A blocking listener on the wildcard address of `family`, or no_socket.
TestSocket listen_on(Family family, uint16_t port, int backlog);
// A socket bound to `port` on the wildcard address that never listens: connects to the
// port are refused, and no other socket (not even a client's own end) can take it.
TestSocket bind_without_listening(Family family, uint16_t port);
// Waits for the next peer of `listener`; the link is non-blocking.
TestSocket accept_peer(TestSocket listener);
// A link to the loopback address of `family`, non-blocking once made; no_socket if it fails.
TestSocket connect_to_loopback(Family family, uint16_t port);

// Bytes moved; recv_now gives 0 for an orderly close.
long send_now(TestSocket s, const char *data, size_t length);
long recv_now(TestSocket s, char *buffer, size_t capacity);
// Waits until `s` can take more bytes, at most `timeout_ms`.
void wait_writable(TestSocket s, uint32_t timeout_ms);
void close_socket(TestSocket s);

} // namespace kvn_test
