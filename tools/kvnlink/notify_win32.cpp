// notify_win32.cpp - EventSource on Windows: a message-only window pumped on the main thread, and a thread reading stdin.
#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "notify.h"
#include "line_splitter.h"
#include "wait_budget.h"

#include <deque>
#include <mutex>
#include <thread>

namespace kvnlink {

namespace {

constexpr UINT notification_message = WM_APP + 1; // what the library posts
constexpr UINT input_message = WM_APP + 2;        // the input thread's wake-up call: lines are waiting
constexpr const char *class_name = "kvnlink_events";

// What the input thread hands to the main thread.  A blocking read cannot be
// interrupted, so the thread may outlive the EventSource: it holds its own
// share of this, and `window` is cleared when no one listens any more.
struct Input {
    std::mutex lock;
    std::deque<std::string> lines;
    bool ended = false;
    HWND window = nullptr;
};

// ReadFile rather than std::getline: a thread blocked inside the C runtime's
// stdin holds that stream's lock, and the runtime takes every stream's lock
// while the process exits, so the exit would hang until the next line came.
void read_input(std::shared_ptr<Input> input) {
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    LineSplitter splitter;
    char buffer[4096];
    for (bool ended = false; !ended;) {
        DWORD n = 0;
        // A pipe's writer going away reads as a failure, a file's end as 0 bytes: both end the input.
        ended =
            in == nullptr || in == INVALID_HANDLE_VALUE || !ReadFile(in, buffer, sizeof buffer, &n, nullptr) || n == 0;
        std::lock_guard<std::mutex> guard(input->lock);
        if (ended) {
            splitter.finish(input->lines);
            input->ended = true;
        } else {
            splitter.feed(buffer, n, input->lines);
        }
        if (input->window != nullptr) PostMessageA(input->window, input_message, 0, 0);
    }
}

} // namespace

struct EventSource::Impl {
    HWND window = nullptr;
    std::shared_ptr<Input> input; // null when stdin is not watched
    bool end_reported = false;
    std::deque<Event> arrivals; // notifications taken off the message queue, not yet handed out

    // Empties this thread's message queue; notifications for our window are
    // kept in order, anything else goes its usual way.
    void pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == window && msg.message == notification_message) {
                Event e;
                e.kind = Event::Kind::notification;
                e.wparam = static_cast<uintptr_t>(msg.wParam);
                e.slot = static_cast<intptr_t>(msg.lParam);
                arrivals.push_back(e);
            } else if (msg.hwnd != window) {
                DispatchMessageA(&msg);
            }
        }
    }

    bool take_input(Event &e) {
        if (!input) return false;
        std::lock_guard<std::mutex> guard(input->lock);
        if (!input->lines.empty()) {
            e.kind = Event::Kind::line;
            e.text = std::move(input->lines.front());
            input->lines.pop_front();
            return true;
        }
        if (input->ended && !end_reported) {
            end_reported = true;
            e.kind = Event::Kind::end_of_input;
            return true;
        }
        return false;
    }
};

EventSource::EventSource(bool watch_input) : impl_(std::make_unique<Impl>()) {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = class_name;
    RegisterClassA(&window_class); // fails harmlessly when an earlier EventSource registered it
    // Created here, so its messages queue up on the thread that calls next().
    impl_->window =
        CreateWindowExA(0, class_name, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, window_class.hInstance, nullptr);
    if (watch_input) {
        impl_->input = std::make_shared<Input>();
        impl_->input->window = impl_->window;
        std::thread(read_input, impl_->input).detach();
    }
}

EventSource::~EventSource() {
    if (impl_->input) {
        std::lock_guard<std::mutex> guard(impl_->input->lock);
        impl_->input->window = nullptr;
    }
    if (impl_->window != nullptr) DestroyWindow(impl_->window);
}

kvn_window_handle EventSource::window() const { return impl_->window; }

uint32_t EventSource::message() const { return notification_message; }

Event EventSource::next(int timeout_ms) {
    const WaitBudget budget(timeout_ms);
    Impl &s = *impl_;
    for (;;) {
        s.pump();
        Event e;
        if (!s.arrivals.empty()) {
            e = s.arrivals.front();
            s.arrivals.pop_front();
            return e;
        }
        if (s.take_input(e)) return e;

        const int left_ms = budget.left_ms();
        if (left_ms == 0) return e; // timeout
        const DWORD wait_ms = left_ms < 0 ? INFINITE : static_cast<DWORD>(left_ms);
        // MWMO_INPUTAVAILABLE: wake for anything queued, not only for what came since the last look.
        MsgWaitForMultipleObjectsEx(0, nullptr, wait_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

} // namespace kvnlink
