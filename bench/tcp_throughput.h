// tcp_throughput.h - messages per second over a library link and over the plain-socket floor.
#pragma once

#include <cstdint>
#include <string>

#include "kvn.h"

namespace bench {

// Where the two hosts run: as two threads of this process, or the receiving
// one in a child process (which lets each side's CPU time be told apart).
enum class Placement { threads, processes };

// Interleaves `rounds` floor runs and library runs of `count` messages each and
// prints one table row with the medians.
void report_throughput(const char *name, Placement where, uint16_t port, const kvn_message &message,
                       const std::string &wire, int count, int rounds);

} // namespace bench
