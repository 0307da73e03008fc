// test_system.h - system services only the tests need: an abortive close, a free port,
// and counts of the process's descriptors, threads and heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/test_sockets.h"

namespace kvn_test {

// Closes `s` with a zero linger time, so the peer sees a reset, not an orderly close.
bool abortive_close(TestSocket s);

// A TCP port that nothing on this machine listens on right now, chosen by the
// system; other test runs on the machine therefore do not collide with ours.
uint16_t free_port();

struct KeepAliveSettings {
    int on = 0;
    int idle_s = 0;     // quiet time before the first probe
    int interval_s = 0; // between probes
    int probes = 0;     // unanswered probes before the link counts as lost
};

// The keep-alive settings, as the system reports them, of this process's TCP
// socket whose local port (port_is_local) or peer port is `port`.
bool keepalive_of_socket_on(uint16_t port, bool port_is_local, KeepAliveSettings &settings, std::string &why_not);

struct ProcessCounts {
    size_t descriptors = 0; // open file descriptors
    size_t threads = 0;     // threads of this process
    size_t heap_bytes = 0;  // bytes in use on the C heap
};

// False, with the reason in `why_not`, where the system cannot tell.
bool process_counts(ProcessCounts &counts, std::string &why_not);

// How many descriptors the system itself may open or close behind a test's
// back between two counts; a leak of one per link stays far beyond it.
size_t descriptor_tolerance();

} // namespace kvn_test
