// notify_posix.cpp - EventSource on POSIX: a kvn_window callback, a wake-up pipe and poll() on stdin.
#include "notify.h"
#include "line_splitter.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <deque>
#include <mutex>

namespace kvnlink {

struct EventSource::Impl {
    kvn_window window{};
    bool watch_input = false;
    bool input_ended = false;
    bool end_reported = false;
    LineSplitter splitter;
    std::deque<std::string> lines; // complete lines not yet handed out

    std::mutex lock; // guards arrivals: the library posts from its own threads
    std::deque<Event> arrivals;
    int wake_read = -1;
    int wake_write = -1;

    // Runs on a library worker thread: queue and wake the main loop, nothing
    // more, and above all no call back into the library.
    static void post(kvn_window *self, uint32_t, uintptr_t wparam, intptr_t lparam) {
        auto *me = static_cast<Impl *>(self->context);
        {
            std::lock_guard<std::mutex> guard(me->lock);
            Event e;
            e.kind = Event::Kind::notification;
            e.wparam = wparam;
            e.slot = lparam;
            me->arrivals.push_back(e);
        }
        const char byte = 1;
        // A full pipe already guarantees a wake-up, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t n = ::write(me->wake_write, &byte, 1);
    }

    bool take_arrival(Event &e) {
        std::lock_guard<std::mutex> guard(lock);
        if (arrivals.empty()) return false;
        e = arrivals.front();
        arrivals.pop_front();
        return true;
    }

    void drain_wake_pipe() {
        char buffer[64];
        while (::read(wake_read, buffer, sizeof buffer) > 0) {}
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
};

EventSource::EventSource(bool watch_input) : impl_(std::make_unique<Impl>()) {
    impl_->watch_input = watch_input;
    impl_->window.post = &Impl::post;
    impl_->window.context = impl_.get();
    int fds[2] = {-1, -1};
    if (::pipe(fds) == 0) {
        for (int fd : fds) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        impl_->wake_read = fds[0];
        impl_->wake_write = fds[1];
    }
}

EventSource::~EventSource() {
    if (impl_->wake_read >= 0) ::close(impl_->wake_read);
    if (impl_->wake_write >= 0) ::close(impl_->wake_write);
}

kvn_window_handle EventSource::window() const { return &impl_->window; }

uint32_t EventSource::message() const { return 0x8001; } // WM_APP + 1 on Windows; any value serves here

Event EventSource::next(int timeout_ms) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
    Impl &s = *impl_;
    for (;;) {
        Event e;
        if (s.take_arrival(e)) return e;
        if (!s.lines.empty()) {
            e.kind = Event::Kind::line;
            e.text = std::move(s.lines.front());
            s.lines.pop_front();
            return e;
        }
        if (s.watch_input && s.input_ended && !s.end_reported) {
            s.end_reported = true;
            e.kind = Event::Kind::end_of_input;
            return e;
        }

        int wait_ms = -1;
        if (timeout_ms >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now());
            if (left.count() <= 0) return e; // timeout
            wait_ms = static_cast<int>(left.count());
        }
        pollfd fds[2] = {{s.wake_read, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const nfds_t count = (s.watch_input && !s.input_ended) ? 2 : 1;
        if (::poll(fds, count, wait_ms) < 0 && errno != EINTR) return e;
        if (fds[0].revents != 0) s.drain_wake_pipe();
        if (count == 2 && fds[1].revents != 0) s.read_input();
    }
}

} // namespace kvnlink
