// link_edges_test.cpp - the two ends of a TCP link's life through the exported functions: what a
// loss keeps, what a disconnect still delivers, a peer flooding a host that does not fetch, keep-alive.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "support/links.h"
#include "support/test_system.h"

using namespace kvn_test;
using namespace std::chrono_literals;

namespace {

class Edges : public LinkTest {
protected:
    // Slot 0 as a client of `peer`.
    void open_client(RawPeer &peer, RecordingWindow &window, uint16_t port) {
        ASSERT_TRUE(peer.listen(Family::ipv4, port));
        ASSERT_EQ(kvn_socket_connect_ex(0, "127.0.0.1", window.handle(), test_message, port), KVN_OK);
        ASSERT_TRUE(peer.accept());
    }
};

std::string fetch_chat(int32_t slot) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    kvn_receive_message(slot, &m);
    return m.type == KVN_CHAT ? std::string(m.u.chat.text) : "<type " + std::to_string(m.type) + ">";
}

} // namespace

TEST_F(Edges, TextsToldOfStayFetchableAfterACloseAResetOrGarbage) {
    for (int way = 0; way < 3; ++way) {
        RawPeer peer;
        RecordingWindow window;
        open_client(peer, window, free_port());
        ASSERT_TRUE(peer.send(framed("Cfirst") + framed("Csecond")));
        ASSERT_TRUE(window.wait_for_count(2));
        if (way == 0) {
            peer.close();
        } else if (way == 1) {
            ASSERT_TRUE(abortive_close(peer.take_link()));
        } else {
            ASSERT_TRUE(peer.send(std::string(1270, 'g')));
        }
        ASSERT_TRUE(window.wait_for_wparam(KVN_CONNECTION_LOST)) << "way " << way;
        const auto posts = window.posts();
        ASSERT_EQ(posts.size(), 3u);
        EXPECT_EQ(posts[2].wparam, uintptr_t{KVN_CONNECTION_LOST}) << "the loss is told last";
        EXPECT_EQ(fetch_chat(0), "first");
        EXPECT_EQ(fetch_chat(0), "second");
        EXPECT_EQ(fetch_chat(0), "<type 0>");
        kvn_disconnect(0);
    }
}

TEST_F(Edges, DisconnectFirstDeliversFiftyMovesAndTheGameEndInBothRoles) {
    for (int32_t leaving : {0, 1}) { // slot 0 is the server, slot 1 the client
        RecordingWindow server_window, client_window;
        open_pair(Family::ipv4, 0, server_window.handle(), 1, client_window.handle(), free_port());
        const int32_t staying = 1 - leaving;
        RecordingWindow &staying_window = leaving == 0 ? client_window : server_window;
        // Texts from the staying side are still unread by the leaving one when it closes.
        const kvn_message chatter = make_chat("are you still there?");
        for (int i = 0; i < 20; ++i) kvn_send_message(staying, &chatter);
        for (int16_t i = 0; i < 50; ++i) {
            const kvn_message m = make_move(i, 31, 27);
            kvn_send_message(leaving, &m);
        }
        kvn_message end;
        std::memset(&end, 0, sizeof end);
        end.type = KVN_GAME_END;
        end.u.game_end.reason = 1;
        kvn_send_message(leaving, &end);
        kvn_disconnect(leaving);

        ASSERT_TRUE(staying_window.wait_for_wparam(KVN_CONNECTION_LOST)) << "leaving slot " << leaving;
        const auto posts = staying_window.posts();
        ASSERT_EQ(posts.size(), 52u);
        for (int16_t i = 0; i < 50; ++i) {
            kvn_message m;
            kvn_receive_message(staying, &m);
            const int32_t type = m.type;
            const int16_t time = m.u.move.time;
            ASSERT_EQ(type, KVN_MOVE);
            EXPECT_EQ(time, i);
        }
        kvn_message last;
        kvn_receive_message(staying, &last);
        const int32_t last_type = last.type;
        EXPECT_EQ(last_type, KVN_GAME_END);
        kvn_disconnect(staying);
    }
}

TEST_F(Edges, FloodingPeerIsHeldBackUntilTheHostFetchesAndNothingIsLost) {
    RawPeer peer;
    RecordingWindow &window = windows[0]; // outlives the link, which TearDown closes
    open_client(peer, window, free_port());
    ProcessCounts before;
    std::string why_not;
    if (!process_counts(before, why_not)) GTEST_SKIP() << why_not;

    constexpr uint32_t total = 30000; // 360 kB of 12-byte texts, far more than the library holds
    std::string flood;
    char text[16];
    for (uint32_t n = 0; n < total; ++n) {
        std::snprintf(text, sizeof text, "C%010u", n);
        flood.append(text, 12);
    }
    std::atomic<bool> stop{false};
    std::thread flooder([&] { peer.send(flood, &stop); });
    // Held back: the library stops reading at its limit, and nothing further is queued or told.
    ASSERT_TRUE(window.wait_for_count(2000));
    EXPECT_EQ(window.drain_count_after(300ms), 2000u);
    ProcessCounts during;
    ASSERT_TRUE(process_counts(during, why_not));
    EXPECT_LT(during.heap_bytes, before.heap_bytes + 2 * 1024 * 1024);

    // Once the host fetches, every text arrives, in order.
    uint32_t fetched = 0;
    char expected[16];
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (fetched < total && std::chrono::steady_clock::now() < deadline) {
        kvn_message m;
        kvn_receive_message(0, &m);
        if (m.type == KVN_NONE) {
            window.wait_for_count(fetched + 1, 10ms);
            continue;
        }
        std::snprintf(expected, sizeof expected, "%010u", fetched);
        ASSERT_STREQ(m.u.chat.text, expected);
        ++fetched;
    }
    stop = true;
    flooder.join();
    EXPECT_EQ(fetched, total);
    EXPECT_EQ(window.count_of(KVN_CONNECTION_LOST), 0u);
}

TEST_F(Edges, KeepAliveFindsAVanishedPeerWithinAboutAMinuteInBothRoles) {
    RecordingWindow &window = windows[0]; // outlives both links, which TearDown closes
    const uint16_t port = free_port();
    RawPeer server_peer;
    open_client(server_peer, window, port);
    const uint16_t server_port = free_port();
    ServerOpener server(Family::ipv4, 1, window.handle(), server_port);
    RawPeer client_peer;
    ASSERT_TRUE(client_peer.connect(Family::ipv4, server_port));
    ASSERT_EQ(server.result(), KVN_OK);

    for (const bool library_is_server : {false, true}) {
        KeepAliveSettings settings;
        std::string why_not;
        if (!keepalive_of_socket_on(library_is_server ? server_port : port, library_is_server, settings, why_not))
            GTEST_SKIP() << why_not;
        EXPECT_NE(settings.on, 0);
        EXPECT_EQ(settings.idle_s, 20);
        EXPECT_EQ(settings.interval_s, 4);
        EXPECT_EQ(settings.probes, 10);
    }
}
