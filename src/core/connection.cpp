// connection.cpp - arrival and loss notifications shared by both transports.
#include "core/connection.h"

#include "codec/codec.h"
#include "platform/platform.h"

namespace kvn {

void CConnection::deliver(const MsgText &text) {
    const int32_t type = classify_message(text.chars);
    receive_queue.push(text);
    notify(static_cast<uintptr_t>(type));
}

void CConnection::notify(uintptr_t wparam) const {
    if (notification_window == nullptr) return;
    platform::post_notification(notification_window, notification_message, wparam,
                                static_cast<intptr_t>(slot_number));
}

bool CConnection::start_worker(void (*entry)(void *), void *self, platform::Semaphore &held_for_it) {
    held_for_it.take(platform::Semaphore::forever);
    if (platform::start_thread(entry, self)) return true;
    held_for_it.give();
    return false;
}

} // namespace kvn
