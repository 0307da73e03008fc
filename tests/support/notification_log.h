// notification_log.h - the notifications a test window received, and waits on them
// with generous time-outs; shared by the POSIX and Win32 recording windows.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kvn_test {

struct Notification {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

// Generous: the machine is small and shared, and Wine adds its own delays.
inline constexpr std::chrono::seconds patience{20};

class NotificationLog {
public:
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
        return count_of_locked(wparam);
    }

    // Waits until at least n notifications have arrived.
    bool wait_for_count(size_t n, std::chrono::milliseconds limit = patience) const {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, limit, [&] { return posts_.size() >= n; });
    }

    // Waits until at least n notifications with this wparam have arrived.
    bool wait_for_wparam(uintptr_t wparam, size_t n = 1, std::chrono::milliseconds limit = patience) const {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, limit, [&] { return count_of_locked(wparam) >= n; });
    }

    // The number of notifications once `quiet` has passed: for checking that
    // nothing further arrives.
    size_t drain_count_after(std::chrono::milliseconds quiet) const {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait_for(guard, quiet, [] { return false; });
        return posts_.size();
    }

protected:
    void record(uint32_t message, uintptr_t wparam, intptr_t lparam) {
        std::lock_guard<std::mutex> guard(lock_);
        posts_.push_back({message, wparam, lparam});
        changed_.notify_all();
    }

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;

private:
    size_t count_of_locked(uintptr_t wparam) const {
        size_t n = 0;
        for (const auto &p : posts_) n += p.wparam == wparam ? 1 : 0;
        return n;
    }

    std::vector<Notification> posts_;
};

} // namespace kvn_test
