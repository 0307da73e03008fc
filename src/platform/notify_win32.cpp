// notify_win32.cpp - notifications on Windows: a message posted to the host's window.
#include "platform/win32_headers.h"

#include "platform/platform.h"

namespace kvn::platform {

bool post_notification(void *window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return PostMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) !=
           0;
}

} // namespace kvn::platform
