// host_safety_test.cpp - what a host may do from its callback and what it is spared:
// a fetch and a disconnect called from a notification, no exception from
// kvn_send_message when memory runs out, and no thread for a link or its teardown.
//
// Global operator new is replaced for this executable so that one thread can be
// refused memory while the library's own threads go on as usual.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#ifndef _WIN32
#  include <sys/resource.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

#include "support/links.h"
#include "support/test_system.h"

using namespace kvn_test;
using namespace std::chrono_literals;

namespace {
thread_local bool refuse_memory = false;

void *allocate(std::size_t size) {
    void *block = refuse_memory ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}
} // namespace

void *operator new(std::size_t size) { return allocate(size); }
void *operator new[](std::size_t size) { return allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    return refuse_memory ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void *operator new[](std::size_t size, const std::nothrow_t &tag) noexcept { return operator new(size, tag); }
void operator delete(void *block, const std::nothrow_t &) noexcept { std::free(block); }
void operator delete[](void *block, const std::nothrow_t &) noexcept { std::free(block); }
void operator delete(void *block) noexcept { std::free(block); }
void operator delete[](void *block) noexcept { std::free(block); }
void operator delete(void *block, std::size_t) noexcept { std::free(block); }
void operator delete[](void *block, std::size_t) noexcept { std::free(block); }

namespace {

class HostSafety : public LinkTest {};

} // namespace

TEST_F(HostSafety, SendWithoutMemoryDropsTheMessageAndThrowsNothing) {
    RawPeer peer;
    const uint16_t port = free_port();
    ASSERT_TRUE(peer.listen(Family::ipv4, port));
    ASSERT_EQ(connect_ex(Family::ipv4, 0, "127.0.0.1", windows[0].handle(), port), KVN_OK);
    ASSERT_TRUE(peer.accept());
    const kvn_message lost = make_move(1, 32, 28);
    refuse_memory = true; // a fresh link has no spare queue node: the send must allocate
    EXPECT_NO_THROW(kvn_send_message(0, &lost));
    refuse_memory = false;
    const kvn_message kept = make_move(2, 19, 23);
    kvn_send_message(0, &kept);
    EXPECT_EQ(peer.receive(12), framed("M0002192300"));
}

#ifndef _WIN32 // Windows hosts are told through their message queue, never on a library thread

namespace {

bool eventually(const std::atomic<bool> &flag) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!flag && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    return flag;
}

// A callback that does what a host might do at once on a library thread.
struct CallingBackWindow {
    kvn_window window{};
    int32_t slot = 0;
    uintptr_t disconnect_on = 0; // the wparam that makes it disconnect
    std::atomic<int32_t> first_fetched{-1};
    std::atomic<bool> returned{false};

    CallingBackWindow() {
        window.context = this;
        window.post = [](kvn_window *self, uint32_t, uintptr_t wparam, intptr_t lparam) {
            auto &me = *static_cast<CallingBackWindow *>(self->context);
            if (me.first_fetched < 0 && wparam != KVN_CONNECTION_LOST) {
                kvn_message m;
                std::memset(&m, 0, sizeof m);
                kvn_receive_message(static_cast<int32_t>(lparam), &m);
                me.first_fetched = m.type;
            }
            if (wparam == me.disconnect_on) {
                kvn_disconnect(me.slot);
                me.returned = true;
            }
        };
    }
};

} // namespace

TEST_F(HostSafety, DisconnectFromTheCallbackOnAnArrivalAndOnTheLoss) {
    for (const uintptr_t on : {uintptr_t{KVN_BACK_ACCEPT}, uintptr_t{KVN_CONNECTION_LOST}}) {
        CallingBackWindow w;
        w.slot = 1;
        w.disconnect_on = on;
        RawPeer peer;
        const uint16_t port = free_port();
        ASSERT_TRUE(peer.listen(Family::ipv4, port));
        ASSERT_EQ(connect_ex(Family::ipv4, 1, "127.0.0.1", &w.window, port), KVN_OK);
        ASSERT_TRUE(peer.accept());
        ASSERT_TRUE(peer.send(framed("K1")));
        if (on == KVN_CONNECTION_LOST) peer.close();
        ASSERT_TRUE(eventually(w.returned)) << "kvn_disconnect from the callback for wparam " << on;
        if (on != KVN_CONNECTION_LOST) {
            EXPECT_EQ(w.first_fetched, KVN_BACK_ACCEPT); // fetched from inside its own notification
            EXPECT_TRUE(peer.wait_closed());
        }
        kvn_disconnect(1); // the slot is already free: nothing waits
        // The slot takes a new link while the old one may still be finishing.
        RawPeer next;
        const uint16_t next_port = free_port();
        ASSERT_TRUE(next.listen(Family::ipv4, next_port));
        ASSERT_EQ(connect_ex(Family::ipv4, 1, "127.0.0.1", windows[1].handle(), next_port), KVN_OK);
        ASSERT_TRUE(next.accept());
        kvn_disconnect(1);
    }
}

#  if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
namespace {

// In a forked child: no new thread can be had (the system counts threads
// as tasks of the user, whose limit drops to nothing; root is not held to
// it, so the child gives up root first).  Threads running already go on.
bool leave_no_room_for_threads() {
    if (getuid() == 0 && setuid(65534) != 0) return false;
    const rlimit none{0, 0};
    return setrlimit(RLIMIT_NPROC, &none) == 0;
}

int exit_status_of(pid_t child) {
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST_F(HostSafety, NoThreadForTheLinkIsAResultCodeNotAnException) {
    RawPeer peer;
    const uint16_t port = free_port();
    ASSERT_TRUE(peer.listen(Family::ipv4, port));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!leave_no_room_for_threads()) _exit(2);
        int32_t result = 1;
        try {
            result = kvn_socket_connect_ex(0, "127.0.0.1", nullptr, 0, port);
        } catch (...) {
            _exit(3);
        }
        _exit(result == KVN_NO_THREAD ? 0 : 4);
    }
    EXPECT_EQ(exit_status_of(child), 0) << "2: no limit set, 3: an exception, 4: another result";
}

TEST_F(HostSafety, ALossWithNoThreadForItsTeardownIsStillTold) {
    RawPeer peer;
    const uint16_t port = free_port();
    ASSERT_TRUE(peer.listen(Family::ipv4, port));
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RecordingWindow window;
        if (connect_ex(Family::ipv4, 0, "127.0.0.1", window.handle(), port) != KVN_OK) _exit(2);
        if (!leave_no_room_for_threads()) _exit(3);
        const char go = 1;
        if (write(ready[1], &go, 1) != 1) _exit(3);
        // The workers run already; the loss finds no thread for its teardown.
        _exit(window.wait_for_wparam(KVN_CONNECTION_LOST) ? 0 : 4);
    }
    ASSERT_TRUE(peer.accept());
    char go = 0;
    ASSERT_EQ(read(ready[0], &go, 1), 1);
    peer.close();
    EXPECT_EQ(exit_status_of(child), 0) << "2: no link, 3: no limit set, 4: no wParam 100";
    close(ready[0]);
    close(ready[1]);
}
#  endif

#endif
