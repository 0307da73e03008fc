// link_cycles_leak_test.cpp - a thousand connects and disconnects, good and failing, leave
// the process's descriptors, threads and heap as they were.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "support/links.h"
#include "support/test_system.h"

using namespace kvn_test;
using namespace std::chrono_literals;

namespace {

constexpr int total_cycles = 1000; // on three slots at once
constexpr int server_cycles = 6;   // each costs an accept window (about 500 ms)
constexpr size_t heap_tolerance = 64 * 1024;

// One client link of `slot` to `peer`, ended in the way `variant` picks.
void client_cycle(int32_t slot, RawPeer &peer, uint16_t port, int variant) {
    RecordingWindow window;
    ASSERT_EQ(kvn_socket_connect_ex(slot, "127.0.0.1", window.handle(), test_message, port), KVN_OK);
    ASSERT_TRUE(peer.accept());
    switch (variant % 4) {
    case 0: break; // disconnect at once
    case 1: {      // a message each way, one left unfetched
        const kvn_message m = make_move(static_cast<int16_t>(variant), 31, 27);
        kvn_send_message(slot, &m);
        char expected[32];
        std::snprintf(expected, sizeof expected, "M%04d312700", variant);
        ASSERT_EQ(peer.receive(12), framed(expected));
        ASSERT_TRUE(peer.send(framed("K1") + framed("Cunfetched")));
        ASSERT_TRUE(window.wait_for_count(2));
        kvn_receive_message(slot, nullptr);
        break;
    }
    case 2: // the peer closes: the link is lost, then disconnected
        peer.close();
        ASSERT_TRUE(window.wait_for_wparam(KVN_CONNECTION_LOST));
        break;
    case 3: { // texts queued both ways and never moved
        const kvn_message m = make_chat("queued");
        for (int i = 0; i < 20; ++i) kvn_send_message(slot, &m);
        ASSERT_TRUE(peer.send(framed("Cpending") + "Chalf"));
        ASSERT_TRUE(window.wait_for_count(1));
        break;
    }
    }
    kvn_disconnect(slot);
    peer.close();
}

// Client cycles on one slot, every tenth a refused connect.
void slot_cycles(int32_t slot, int count) {
    RawPeer peer;
    const uint16_t port = free_port();
    ASSERT_TRUE(peer.listen(Family::ipv4, port));
    // Held bound but never listening, so that no client's own end can take the
    // port and turn a refused connect into a link with itself.
    const uint16_t dead_port = free_port();
    const TestSocket dead = bind_without_listening(Family::ipv4, dead_port);
    ASSERT_NE(dead, no_socket);
    for (int i = 0; i < count; ++i) {
        if (i % 10 == 9) {
            ASSERT_EQ(kvn_socket_connect_ex(slot, "127.0.0.1", nullptr, test_message, dead_port), KVN_CONNECT_FAILED);
            ASSERT_EQ(kvn_socket_connect6_ex(slot, "127.0.0.1", nullptr, test_message, dead_port), KVN_UNUSABLE);
            continue;
        }
        client_cycle(slot, peer, port, i);
        if (::testing::Test::HasFatalFailure()) break;
    }
    close_socket(dead);
}

// Server cycles on slot 0: a raw peer connects, or nobody does.
void server_cycles_on_slot0(int count) {
    for (int i = 0; i < count; ++i) {
        RecordingWindow window;
        const uint16_t port = free_port();
        if (i % 2 == 1) {
            ASSERT_EQ(kvn_socket_connect_ex(0, nullptr, window.handle(), test_message, port), KVN_NO_PEER);
            continue;
        }
        ServerOpener server(i % 4 == 0 ? Family::ipv6 : Family::ipv4, 0, window.handle(), port);
        RawPeer peer;
        ASSERT_TRUE(peer.connect(i % 4 == 0 ? Family::ipv6 : Family::ipv4, port));
        ASSERT_EQ(server.result(), KVN_OK);
        ASSERT_TRUE(peer.send(framed("E10")));
        ASSERT_TRUE(window.wait_for_count(1));
        kvn_disconnect(0);
    }
}

// `total` cycles: `servers` of them as a server on slot 0, the rest as clients
// shared out over the three slots, which run side by side.
void run_all(int total, int servers) {
    const int per_slot = total / 3;
    std::thread others[2];
    for (int32_t slot = 1; slot < 3; ++slot)
        others[slot - 1] = std::thread([slot, per_slot] { slot_cycles(slot, per_slot); });
    server_cycles_on_slot0(servers);
    slot_cycles(0, total - 2 * per_slot - servers);
    for (auto &t : others) t.join();
}

// Detached worker and link_lost threads may still be on their way out.
bool threads_back_to(size_t baseline, ProcessCounts &now) {
    std::string why;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    do {
        process_counts(now, why);
        if (now.threads <= baseline) return true;
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

} // namespace

TEST(LinkCycles, AThousandLeaveDescriptorsThreadsAndHeapAsTheyWere) {
    ProcessCounts before, after;
    std::string why_not;
    if (!process_counts(before, why_not)) GTEST_SKIP() << "cannot count process resources here: " << why_not;

    // The first links make the runtime's lazily built state (thread stacks,
    // resolver, allocator arenas); the baseline is taken after them.
    // A runtime may start one helper thread of its own with the first thread
    // (ThreadSanitizer does), so one more than at the start is allowed here.
    run_all(40, 2);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(threads_back_to(before.threads + 1, before)) << before.threads << " threads after warming up";
    process_counts(before, why_not);

    run_all(total_cycles, server_cycles);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(threads_back_to(before.threads, after)) << after.threads << " threads, " << before.threads << " before";
    process_counts(after, why_not);
    // Fewer would mean a descriptor closed twice; more, one left open.
    EXPECT_LE(after.descriptors, before.descriptors + descriptor_tolerance());
    EXPECT_GE(after.descriptors + descriptor_tolerance(), before.descriptors);
    EXPECT_LE(after.heap_bytes, before.heap_bytes + heap_tolerance)
        << "heap grew from " << before.heap_bytes << " to " << after.heap_bytes << " bytes";
}
