// timing.h - the times the design is built on, in one place.  The transports,
// the platform's serial port and the benchmarks take them from here, so that a
// change shows up everywhere it matters.
#pragma once

#include <cstdint>

namespace kvn::timing {

// An idle worker looks at its queue, its socket or its port this often.
inline constexpr uint32_t poll_interval_ms = 100;

// A TCP server that found no peer at once waits this long for one more try.
inline constexpr uint32_t accept_window_ms = 500;

// A second thread that finds a link's close guard taken waits this long,
// as a semaphore that is never given back would make it.
inline constexpr uint32_t close_guard_wait_ms = 20;

// How long kvn_disconnect lets a sender go on with what is queued: over TCP,
// and over the cable, where with the stop that follows it is about 2 s at most.
inline constexpr uint32_t tcp_delivery_limit_ms = 1000;
inline constexpr uint32_t serial_delivery_limit_ms = 1700;

// A serial echo is awaited until the whole-second clock has moved on by more
// than this, i.e. for 5 to 6 seconds.
inline constexpr uint32_t echo_patience_s = 5;

// Every one-byte read or write on a serial port ends within 200 ms: the
// platform layer's serial_io_window_ms, which stands below this header.

// A socket layer that is still busy with a call when a link lets go of it
// (Windows) is asked once more after this pause.
inline constexpr uint32_t net_cleanup_retry_ms = 100;

} // namespace kvn::timing
