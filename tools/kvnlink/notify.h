// notify.h - where the library's notifications and the user's typed lines meet; one back end per system.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kvn.h"

namespace kvnlink {

struct Event {
    enum class Kind { line, end_of_input, notification, timeout };
    Kind kind = Kind::timeout;
    std::string text;     // line: without its line ending
    uintptr_t wparam = 0; // notification: type code 0..7 or KVN_CONNECTION_LOST
    intptr_t slot = 0;    // notification: the slot it came from
};

// Hands the library a notification target and turns whatever arrives there,
// together with lines on standard input when asked to watch it, into one
// stream of events for the main loop.  It must outlive every link that was
// given its window.
class EventSource {
public:
    explicit EventSource(bool watch_input);
    ~EventSource();
    EventSource(const EventSource &) = delete;
    EventSource &operator=(const EventSource &) = delete;

    kvn_window_handle window() const;
    uint32_t message() const;

    // The next event; Kind::timeout once timeout_ms has passed (-1: no limit).
    // Pending notifications come before pending lines.
    Event next(int timeout_ms);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace kvnlink
