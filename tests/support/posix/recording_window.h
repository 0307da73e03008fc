// recording_window.h - a kvn_window callback that records every notification for tests to wait on (POSIX).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "kvn.h"

namespace kvn_test {

struct Notification {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

// Generous: the machine is small and shared.
inline constexpr std::chrono::seconds patience{20};

class RecordingWindow {
public:
    RecordingWindow() {
        window_.post = &RecordingWindow::post;
        window_.context = this;
    }
    RecordingWindow(const RecordingWindow &) = delete;
    RecordingWindow &operator=(const RecordingWindow &) = delete;

    kvn_window_handle handle() { return &window_; }

    std::vector<Notification> posts() const {
        std::lock_guard<std::mutex> guard(lock_);
        return posts_;
    }

    size_t count() const {
        std::lock_guard<std::mutex> guard(lock_);
        return posts_.size();
    }

    size_t count_of(uintptr_t wparam) const {
        std::lock_guard<std::mutex> guard(lock_);
        size_t n = 0;
        for (const auto &p : posts_) n += p.wparam == wparam ? 1 : 0;
        return n;
    }

    // Waits until at least n notifications have arrived.
    bool wait_for_count(size_t n, std::chrono::milliseconds limit = patience) const {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, limit, [&] { return posts_.size() >= n; });
    }

    // Waits until at least n notifications with this wparam have arrived.
    bool wait_for_wparam(uintptr_t wparam, size_t n = 1, std::chrono::milliseconds limit = patience) const {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, limit, [&] {
            size_t seen = 0;
            for (const auto &p : posts_) seen += p.wparam == wparam ? 1 : 0;
            return seen >= n;
        });
    }

    // The number of notifications once `quiet` has passed: for checking that
    // nothing further arrives.
    size_t drain_count_after(std::chrono::milliseconds quiet) const {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait_for(guard, quiet, [] { return false; });
        return posts_.size();
    }

private:
    static void post(kvn_window *self, uint32_t message, uintptr_t wparam, intptr_t lparam) {
        auto *me = static_cast<RecordingWindow *>(self->context);
        std::lock_guard<std::mutex> guard(me->lock_);
        me->posts_.push_back({message, wparam, lparam});
        me->changed_.notify_all();
    }

    kvn_window window_{};
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<Notification> posts_;
};

} // namespace kvn_test
