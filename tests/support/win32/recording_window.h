// recording_window.h - a real message-only window that records every notification for tests to wait on (Win32).
//
// Same interface as the POSIX variant: the library posts with PostMessageA,
// and a thread of this class pulls the messages with GetMessageA, as a host's
// window thread would.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <mutex>
#include <thread>

#include "kvn.h"
#include "support/notification_log.h"

namespace kvn_test {

class RecordingWindow : public NotificationLog {
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

private:
    static constexpr const char *class_name = "kvn_test_recording_window";

    void run() {
        WNDCLASSA window_class{};
        window_class.lpfnWndProc = DefWindowProcA;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = class_name;
        // Once per process: windows made on several threads at the same moment
        // could otherwise meet a registration still under way (seen under
        // Wine: CreateWindowExA then gave no window, and no notification came).
        static std::once_flag registered;
        std::call_once(registered, [&] { RegisterClassA(&window_class); });
        HWND window =
            CreateWindowExA(0, class_name, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, window_class.hInstance, nullptr);
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
            record(msg.message, static_cast<uintptr_t>(msg.wParam), static_cast<intptr_t>(msg.lParam));
        }
        if (window != nullptr) DestroyWindow(window);
    }

    bool ready_ = false;
    HWND window_ = nullptr;
    DWORD thread_id_ = 0;
    std::thread pump_;
};

} // namespace kvn_test
