// connection.cpp - the host's ends of a link's queues, and the arrival and loss notifications.
#include "core/connection.h"

#include "codec/codec.h"
#include "core/link_life.h"
#include "core/timing.h"
#include "platform/platform.h"

namespace kvn {

bool CConnection::queue_for_sending(const MsgText &text) {
    if (!send_queue_.push(text)) return false;
    life().text_queued();
    return true;
}

bool CConnection::take_received(MsgText &text) {
    if (!receive_queue_.pop(text)) return false;
    life().text_fetched();
    return true;
}

bool CConnection::on_own_thread() const { return life().on_own_thread(); }

bool CConnection::deliver(const MsgText &text) {
    const int32_t type = classify_message(text.chars);
    // Without memory the text waits with the receiver: nothing is thrown on
    // a worker thread, where no one could catch it.
    if (!receive_queue_.push(text)) return false;
    // Behind owed ones, a notification waits its turn.
    if (owed_count_ != 0 || !post(static_cast<uintptr_t>(type))) {
        owed_[(owed_first_ + owed_count_) % received_limit] = static_cast<uint8_t>(type);
        ++owed_count_;
    }
    return true;
}

void CConnection::retry_owed() {
    while (owed_count_ != 0 && post(owed_[owed_first_])) {
        owed_first_ = (owed_first_ + 1) % received_limit;
        --owed_count_;
    }
}

void CConnection::tell_lost() {
    for (;;) {
        retry_owed();
        if (owed_count_ == 0 && post(connection_lost_code)) return;
        if (silenced_.load()) return;
        platform::sleep_ms(timing::poll_interval_ms);
    }
}

void CConnection::set_notification_target(void *window, uint32_t message, int32_t slot) {
    notification_window_ = window;
    notification_message_ = message;
    slot_number_ = slot;
}

bool CConnection::post(uintptr_t wparam) const {
    if (notification_window_ == nullptr) return true;
    // Only until the connect function has stored the link: moments.
    while (notifications_held_.load() && !silenced_.load()) platform::sleep_ms(1);
    if (silenced_.load()) return true;
    return platform::post_notification(notification_window_, notification_message_, wparam,
                                       static_cast<intptr_t>(slot_number_));
}

} // namespace kvn
