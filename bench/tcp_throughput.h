// tcp_throughput.h - messages per second over a library link and over the plain-socket floor.
#pragma once

#include <cstdint>
#include <string>

#include "kvn.h"

namespace bench {

// Interleaves `rounds` floor runs and library runs of `count` messages each and
// prints one table row with the medians.
void report_throughput(const char *name, uint16_t port, const kvn_message &message, const std::string &wire,
                       int count, int rounds);

} // namespace bench
