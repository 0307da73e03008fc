// notify_posix.cpp - notifications on POSIX: the host's kvn_window callback, called on the worker's thread.
#include "kvn.h"
#include "platform/platform.h"

namespace kvn::platform {

bool post_notification(void *window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    auto *target = static_cast<kvn_window *>(window);
    if (target != nullptr && target->post != nullptr) target->post(target, message, wparam, lparam);
    return true; // the callback has no outcome
}

} // namespace kvn::platform
