// wakeup_posix.cpp - Waker on POSIX: an eventfd, polled together with the watched socket.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/platform.h"

namespace kvn::platform {

namespace {
int fd_of(intptr_t handle) { return static_cast<int>(handle); }

void drain(int fd) {
    eventfd_t count = 0;
    eventfd_read(fd, &count); // non-blocking: a wake already taken leaves nothing
}
} // namespace

Waker::Waker() : handle_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (handle_ < 0) throw std::bad_alloc();
}

Waker::~Waker() { close(fd_of(handle_)); }

void Waker::wake() { eventfd_write(fd_of(handle_), 1); }

Waker::Woken Waker::wait(Socket s, uint32_t timeout_ms) {
    pollfd entries[2] = {{fd_of(handle_), POLLIN, 0}, {static_cast<int>(s), POLLIN, 0}};
    const nfds_t count = s == invalid_socket ? 1 : 2;
    int ready;
    do {
        ready = poll(entries, count, static_cast<int>(timeout_ms));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return Woken::timeout;
    if (entries[0].revents != 0) {
        drain(fd_of(handle_));
        return Woken::waker;
    }
    return Woken::socket;
}

} // namespace kvn::platform
