// connection.cpp - arrival and loss notifications shared by both transports.
#include "core/connection.h"

#include <new>

#include "codec/codec.h"
#include "platform/platform.h"

namespace kvn {

bool CConnection::deliver(const MsgText &text) {
    const int32_t type = classify_message(text.chars);
    try {
        receive_queue_.push(text);
    } catch (const std::bad_alloc &) {
        // A worker thread must not end the process: the text waits.
        return false;
    }
    notify(static_cast<uintptr_t>(type));
    return true;
}

void CConnection::set_notification_target(void *window, uint32_t message, int32_t slot) {
    notification_window_ = window;
    notification_message_ = message;
    slot_number_ = slot;
}

void CConnection::notify(uintptr_t wparam) const {
    if (notification_window_ == nullptr) return;
    platform::post_notification(notification_window_, notification_message_, wparam,
                                static_cast<intptr_t>(slot_number_));
}

} // namespace kvn
