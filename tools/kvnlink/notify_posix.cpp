// notify_posix.cpp - EventSource on POSIX: the library's notifications queued by kvn_events.h, and poll() on stdin.
#include "notify.h"
#include "line_splitter.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <system_error>

#include "kvn_events.h"
#include "wait_budget.h"

namespace kvnlink {

struct EventSource::Impl {
    kvn_events queue{}; // the public header's queue: its post never blocks the library's threads
    bool watch_input = false;
    bool input_ended = false;
    bool end_reported = false;
    LineSplitter splitter;
    std::deque<std::string> lines; // complete lines not yet handed out

    bool take_arrival(Event &e) {
        kvn_event arrival{};
        if (kvn_events_take(&queue, &arrival) == 0) return false;
        e.kind = Event::Kind::notification;
        e.wparam = arrival.wparam;
        e.slot = arrival.slot;
        return true;
    }

    bool take_line(Event &e) {
        if (lines.empty()) return false;
        e.kind = Event::Kind::line;
        e.text = std::move(lines.front());
        lines.pop_front();
        return true;
    }

    void read_input() {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
        if (n <= 0) {
            input_ended = true;
            splitter.finish(lines);
            return;
        }
        splitter.feed(buffer, static_cast<size_t>(n), lines);
    }

    // Waits until the queue or stdin has something, or wait_ms (-1: no limit) passes; false if poll() broke.
    bool wait(int wait_ms) {
        pollfd fds[2] = {{kvn_events_fd(&queue), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const nfds_t count = (watch_input && !input_ended) ? 2 : 1;
        if (::poll(fds, count, wait_ms) < 0) return errno == EINTR;
        if (count == 2 && fds[1].revents != 0) read_input();
        return true;
    }
};

EventSource::EventSource(bool watch_input) : impl_(std::make_unique<Impl>()) {
    if (kvn_events_init(&impl_->queue) != 0) throw std::system_error(errno, std::generic_category(), "kvn_events_init");
    impl_->watch_input = watch_input;
}

// The links that used the queue are gone by now: each SlotGuard is declared after its EventSource.
EventSource::~EventSource() { kvn_events_destroy(&impl_->queue); }

kvn_window_handle EventSource::window() const { return kvn_events_window(&impl_->queue); }

uint32_t EventSource::message() const { return KVN_EVENT_MESSAGE; }

Event EventSource::next(int timeout_ms) {
    const WaitBudget budget(timeout_ms);
    Impl &s = *impl_;
    for (;;) {
        Event e;
        if (s.take_arrival(e) || s.take_line(e)) return e;
        if (s.watch_input && s.input_ended && !s.end_reported) {
            s.end_reported = true;
            e.kind = Event::Kind::end_of_input;
            return e;
        }
        const int left_ms = budget.left_ms();
        if (left_ms == 0) return e; // timeout
        if (!s.wait(left_ms)) return e;
    }
}

} // namespace kvnlink
