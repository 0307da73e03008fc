// recording_window.h - a real message-only window that records every notification for tests to wait on (Win32).
//
// Same interface as the POSIX variant: the library posts with PostMessageA,
// and a thread of this class pulls the messages with GetMessageA, as a host's
// window thread would.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "kvn.h"

namespace kvn_test {

struct Notification {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

// Generous: the machine is small and shared, and Wine adds its own delays.
inline constexpr std::chrono::seconds patience{20};

class RecordingWindow {
public:
    RecordingWindow() : pump_([this] { run(); }) {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return ready_; });
    }
    ~RecordingWindow() {
        PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
        pump_.join();
    }
    RecordingWindow(const RecordingWindow &) = delete;
    RecordingWindow &operator=(const RecordingWindow &) = delete;

    kvn_window_handle handle() { return window_; }

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
    static constexpr const char *class_name = "kvn_test_recording_window";

    void run() {
        WNDCLASSA window_class{};
        window_class.lpfnWndProc = DefWindowProcA;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = class_name;
        RegisterClassA(&window_class); // fails harmlessly when an earlier window registered it
        HWND window = CreateWindowExA(0, class_name, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      window_class.hInstance, nullptr);
        {
            std::lock_guard<std::mutex> guard(lock_);
            window_ = window;
            thread_id_ = GetCurrentThreadId();
            ready_ = true;
        }
        changed_.notify_all();
        MSG msg;
        // Every message posted to the window is a notification: the library
        // is the only one that posts to it.
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd != window) {
                DispatchMessageA(&msg);
                continue;
            }
            std::lock_guard<std::mutex> guard(lock_);
            posts_.push_back({msg.message, static_cast<uintptr_t>(msg.wParam), static_cast<intptr_t>(msg.lParam)});
            changed_.notify_all();
        }
        if (window != nullptr) DestroyWindow(window);
    }

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<Notification> posts_;
    bool ready_ = false;
    HWND window_ = nullptr;
    DWORD thread_id_ = 0;
    std::thread pump_;
};

} // namespace kvn_test
