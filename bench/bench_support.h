// bench_support.h - small timing, CPU and statistics helpers shared by the link benchmarks.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <vector>

#include "kvn.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds used by the whole process (all threads, user and system).
inline double process_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[index];
}

// Notification sink: the post callback only records, the host thread waits.
class Inbox {
public:
    Inbox() {
        window_.post = &Inbox::post;
        window_.context = this;
    }
    kvn_window *handle() { return &window_; }

    // Waits for the next notification; false after the time-out.
    bool next(uintptr_t &wparam, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        Clock::time_point posted;
        return next(wparam, posted, limit);
    }

    // The same, also telling when the library posted it (read as post was called).
    bool next(uintptr_t &wparam, Clock::time_point &posted, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(lock_);
        if (!changed_.wait_for(guard, limit, [&] { return !events_.empty(); })) return false;
        wparam = events_.front().wparam;
        posted = events_.front().posted;
        events_.pop_front();
        return true;
    }

private:
    struct Event {
        uintptr_t wparam;
        Clock::time_point posted;
    };

    static void post(kvn_window *self, uint32_t, uintptr_t wparam, intptr_t) {
        const Clock::time_point now = Clock::now();
        auto *me = static_cast<Inbox *>(self->context);
        std::lock_guard<std::mutex> guard(me->lock_);
        me->events_.push_back({wparam, now});
        me->changed_.notify_one();
    }

    kvn_window window_{};
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Event> events_;
};

} // namespace bench
