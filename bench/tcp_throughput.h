// tcp_throughput.h - messages per second over a library link and over the plain-socket floor.
#pragma once

#include <cstdint>
#include <string>

#include "kvn.h"

namespace bench {

// Where the two hosts run: as two threads of this process, or the receiving
// one in a child process (which lets each side's CPU time be told apart).
enum class Placement { threads, processes };

// How much each row sends, and how long a library round may take.
struct ThroughputRun {
    int count = 200000; // messages per round
    int rounds = 3;     // floor and library rounds, taken in turn
    int limit_s = 20;   // a library round still short of count is cut here
};

// One host queues `count` messages as fast as kvn_send_message returns; the
// other fetches one each time it is notified, so the link's hold-back (the
// host's unfetched messages at their limit) is part of the rate.  Prints one
// table row with the medians of `rounds` floor and library rounds.
void report_throughput(const char *name, Placement where, uint16_t port, const kvn_message &message,
                       const std::string &wire, const ThroughputRun &run);

} // namespace bench
