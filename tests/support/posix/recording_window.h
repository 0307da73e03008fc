// recording_window.h - a kvn_window callback that records every notification for tests to wait on (POSIX).
#pragma once

#include "kvn.h"
#include "support/notification_log.h"

namespace kvn_test {

class RecordingWindow : public NotificationLog {
public:
    RecordingWindow() {
        window_.post = &RecordingWindow::post;
        window_.context = this;
    }
    RecordingWindow(const RecordingWindow &) = delete;
    RecordingWindow &operator=(const RecordingWindow &) = delete;

    kvn_window_handle handle() { return &window_; }

private:
    static void post(kvn_window *self, uint32_t message, uintptr_t wparam, intptr_t lparam) {
        static_cast<RecordingWindow *>(self->context)->record(message, wparam, lparam);
    }

    kvn_window window_{};
};

} // namespace kvn_test
