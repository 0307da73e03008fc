// tcp_exchange_test.cpp - two library links in one process exchange every message kind,
// over IPv4 and IPv6, in both directions.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "support/links.h"

using namespace kvn_test;

namespace {

std::vector<kvn_message> one_of_each_kind() {
    std::vector<kvn_message> all(7);
    for (auto &m : all) std::memset(&m, 0, sizeof m);
    auto &rq = all[0].u.game_request;
    all[0].type = KVN_GAME_REQUEST;
    rq.version = 1;
    std::strcpy(rq.name, "Engine One");
    rq.colour = 'Z';
    rq.thinking_time = 5;
    rq.move_count = 75;
    rq.side_to_move = 'Z';
    for (int i = 0; i < 50; ++i) rq.squares[i] = i % 3 == 0 ? 'w' : 'e';
    all[1].type = KVN_GAME_ACCEPT;
    std::strcpy(all[1].u.game_accept.name, "Engine Two");
    all[1].u.game_accept.accept_code = 0;
    all[2] = make_move(1234, 33, 24, {29, 19, 14});
    all[3].type = KVN_GAME_END;
    all[3].u.game_end = {2, 1};
    all[4] = make_chat("good game, well played");
    all[5].type = KVN_BACK_REQUEST;
    all[5].u.back_request = {17, 'Z'};
    all[6].type = KVN_BACK_ACCEPT;
    all[6].u.back_accept = {2};
    return all;
}

class Exchange : public LinkTest, public ::testing::WithParamInterface<Family> {};

// Sends every kind from `from` to `to` and checks each arrives whole, notified once.
void send_all_and_check(int32_t from, int32_t to, RecordingWindow &to_window) {
    const auto messages = one_of_each_kind();
    const size_t before = to_window.count();
    for (const auto &m : messages) kvn_send_message(from, &m);
    ASSERT_TRUE(to_window.wait_for_count(before + messages.size()));
    const auto posts = to_window.posts();
    for (size_t i = 0; i < messages.size(); ++i) {
        const auto &post = posts[before + i];
        EXPECT_EQ(post.message, test_message);
        EXPECT_EQ(post.wparam, static_cast<uintptr_t>(messages[i].type));
        EXPECT_EQ(post.lparam, to);
        kvn_message got;
        std::memset(&got, 0, sizeof got);
        kvn_receive_message(to, &got);
        EXPECT_EQ(std::memcmp(&got, &messages[i], sizeof got), 0) << "message kind " << messages[i].type;
    }
    kvn_message none;
    none.type = 99;
    kvn_receive_message(to, &none);
    EXPECT_EQ(none.type, KVN_NONE);
}

} // namespace

TEST_P(Exchange, EveryKindBothWays) {
    RecordingWindow &server_window = windows[0], &client_window = windows[1];
    const uint16_t port = next_port();
    open_pair(GetParam(), 0, server_window.handle(), 1, client_window.handle(), port);
    send_all_and_check(0, 1, client_window);
    send_all_and_check(1, 0, server_window);
    EXPECT_EQ(server_window.count(), 7u);
    EXPECT_EQ(client_window.count(), 7u);
}

TEST_P(Exchange, MoveArrivesFieldForField) {
    RecordingWindow &server_window = windows[0], &client_window = windows[1];
    open_pair(GetParam(), 2, server_window.handle(), 0, client_window.handle(), next_port());
    const kvn_message sent = make_move(15, 32, 28);
    kvn_send_message(0, &sent);
    const kvn_message got = receive_next(2, server_window, 1);
    EXPECT_EQ(got.type, KVN_MOVE);
    EXPECT_EQ(got.u.move.time, 15);
    EXPECT_EQ(got.u.move.from_square, 32);
    EXPECT_EQ(got.u.move.to_square, 28);
    EXPECT_EQ(got.u.move.capture_count, 0);
    EXPECT_EQ(server_window.posts().at(0).lparam, 2);
}

INSTANTIATE_TEST_SUITE_P(Tcp, Exchange, ::testing::Values(Family::ipv4, Family::ipv6),
                         [](const ::testing::TestParamInfo<Family> &p) {
                             return p.param == Family::ipv4 ? "IPv4" : "IPv6";
                         });

TEST_F(LinkTest, ThreeSlotsAtOnceStayApart) {
    RawPeer peers[3];
    uint16_t ports[3];
    for (int slot = 0; slot < 3; ++slot) {
        ports[slot] = next_port();
        ASSERT_TRUE(peers[slot].listen(Family::ipv4, ports[slot]));
        ASSERT_EQ(kvn_socket_connect_ex(slot, "127.0.0.1", windows[slot].handle(), test_message, ports[slot]), KVN_OK);
        ASSERT_TRUE(peers[slot].accept());
    }
    for (int slot = 0; slot < 3; ++slot) {
        const std::string text = "Cslot " + std::to_string(slot);
        ASSERT_TRUE(peers[slot].send(text + '\0'));
    }
    for (int slot = 0; slot < 3; ++slot) {
        ASSERT_TRUE(windows[slot].wait_for_count(1));
        kvn_message got;
        kvn_receive_message(slot, &got);
        EXPECT_STREQ(got.u.chat.text, ("slot " + std::to_string(slot)).c_str());
        EXPECT_EQ(windows[slot].posts()[0].lparam, slot);
    }
    // Each slot sends on its own link only.
    for (int slot = 0; slot < 3; ++slot) {
        const kvn_message m = make_move(static_cast<int16_t>(slot), 31, 27);
        kvn_send_message(slot, &m);
    }
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_EQ(peers[slot].receive(12), "M000" + std::to_string(slot) + "312700" + std::string(1, '\0'));
}

TEST_F(LinkTest, NullWindowPostsNothingButMessagesCanBeFetched) {
    RawPeer peer;
    const uint16_t port = next_port();
    ASSERT_TRUE(peer.listen(Family::ipv4, port));
    ASSERT_EQ(kvn_socket_connect_ex(0, "127.0.0.1", nullptr, test_message, port), KVN_OK);
    ASSERT_TRUE(peer.accept());
    ASSERT_TRUE(peer.send(std::string("E10") + '\0'));
    kvn_message got;
    got.type = KVN_NONE;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (got.type == KVN_NONE && std::chrono::steady_clock::now() < deadline) {
        kvn_receive_message(0, &got);
        if (got.type == KVN_NONE) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(got.type, KVN_GAME_END);
    EXPECT_EQ(got.u.game_end.reason, 1);
}
