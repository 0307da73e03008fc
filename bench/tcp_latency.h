// tcp_latency.h - delays on an idle link, the idle cost, and how fast a link ends.
#pragma once

#include <cstdint>

namespace bench {

// One move at a time from library to library (kvn_send_message to the peer's
// notification), sample by sample in turn with the floor: the same frame over
// a plain socket pair whose reader is blocked in recv.  Then the idle CPU over
// ten seconds, the time kvn_disconnect takes and the peer's time to wParam 100.
// Uses port and port + 1.
void report_link_latency_and_idle(uint16_t port, int samples);

// Each half of the trip apart, against a plain peer: kvn_send_message to the
// bytes arriving, and the bytes being sent to the notification.
void report_half_latencies(uint16_t port, int samples);

} // namespace bench
