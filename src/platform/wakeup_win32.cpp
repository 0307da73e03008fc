// wakeup_win32.cpp - Waker on Windows: an auto-reset event, waited on together
// with an event that the watched socket signals for arrivals and its close.
#include "platform/win32_headers.h"

#include <new>

#include "platform/platform.h"

namespace kvn::platform {

namespace {
HANDLE event_of(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
} // namespace

Waker::Waker() : handle_(reinterpret_cast<intptr_t>(CreateEventA(nullptr, FALSE, FALSE, nullptr))) {
    if (handle_ == 0) throw std::bad_alloc();
}

Waker::~Waker() {
    if (socket_event_ != 0) WSACloseEvent(event_of(socket_event_));
    CloseHandle(event_of(handle_));
}

void Waker::wake() { SetEvent(event_of(handle_)); }

Waker::Woken Waker::wait(Socket s, uint32_t timeout_ms) {
    HANDLE events[2] = {event_of(handle_), nullptr};
    DWORD count = 1;
    if (s != invalid_socket) {
        if (watched_ != s) {
            // Once per socket: arrivals and the peer's close set the event.
            // Should the system refuse, the wait falls back on its time limit.
            if (socket_event_ == 0) socket_event_ = reinterpret_cast<intptr_t>(WSACreateEvent());
            if (socket_event_ != 0 &&
                WSAEventSelect(static_cast<SOCKET>(s), event_of(socket_event_), FD_READ | FD_CLOSE) == 0)
                watched_ = s;
        }
        if (watched_ == s) events[count++] = event_of(socket_event_);
    }
    const DWORD result = WaitForMultipleObjects(count, events, FALSE, static_cast<DWORD>(timeout_ms));
    if (result == WAIT_OBJECT_0) return Woken::waker;
    if (result == WAIT_OBJECT_0 + 1) {
        // Reset before the reads that follow: bytes that arrive after them
        // set it again, so none goes unnoticed.
        WSAResetEvent(event_of(socket_event_));
        return Woken::socket;
    }
    return Woken::timeout;
}

} // namespace kvn::platform
