// tcp_latency.h - delays on an idle link, the idle cost, and how fast a link ends.
#pragma once

#include <cstdint>

namespace bench {

// One message at a time between two library links, then the idle CPU over
// ten seconds, the time kvn_disconnect takes and the peer's time to wParam 100.
void report_link_latency_and_idle(uint16_t port, int samples);

// Each half of the trip apart, against a plain socket: kvn_send_message to the
// bytes arriving, and the bytes being sent to the notification.
void report_half_latencies(uint16_t port, int samples);

} // namespace bench
