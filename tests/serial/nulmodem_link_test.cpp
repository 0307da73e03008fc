// nulmodem_link_test.cpp - two serial links of the library talking through a relayed pty pair.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "serial/pty_peer.h"

using namespace kvn_test;

namespace {

constexpr uint32_t arrival_a = 0x8001;
constexpr uint32_t arrival_b = 0x8002;

std::vector<kvn_message> one_of_each_kind() {
    std::vector<kvn_message> all(8);
    for (auto &m : all) std::memset(&m, 0, sizeof m);

    all[0].type = KVN_GAME_REQUEST;
    all[0].u.game_request.version = 1;
    std::strcpy(all[0].u.game_request.name, "Serial Sam");
    all[0].u.game_request.colour = 'W';
    all[0].u.game_request.thinking_time = 30;
    all[0].u.game_request.move_count = 40;
    all[0].u.game_request.side_to_move = 'W';
    for (int i = 0; i < 50; ++i) all[0].u.game_request.squares[i] = kvn::initial_squares[i];

    all[1].type = KVN_GAME_ACCEPT;
    std::strcpy(all[1].u.game_accept.name, "Modem Mia");
    all[1].u.game_accept.accept_code = 0;

    all[2].type = KVN_MOVE;
    all[2].u.move.time = 123;
    all[2].u.move.from_square = 27;
    all[2].u.move.to_square = 38;
    all[2].u.move.capture_count = 2;
    all[2].u.move.captured[0] = 32;
    all[2].u.move.captured[1] = 43;

    all[3].type = KVN_GAME_END;
    all[3].u.game_end.reason = 2;
    all[3].u.game_end.stop_code = 1;

    all[4].type = KVN_CHAT;
    std::strcpy(all[4].u.chat.text, "good game, over the cable");

    all[5].type = KVN_BACK_REQUEST;
    all[5].u.back_request.move_number = 17;
    all[5].u.back_request.side_to_move = 'Z';

    all[6].type = KVN_BACK_ACCEPT;
    all[6].u.back_accept.accept_code = 1;

    all[7].type = KVN_CHAT; // the longest text there is: 127 characters
    std::memset(all[7].u.chat.text, 'q', 126);
    return all;
}

std::string wire_text(const kvn_message &m) {
    kvn::MsgText text;
    kvn::encode_message(m, text);
    return text.chars;
}

class SerialPair : public ::testing::Test {
protected:
    void SetUp() override {
        ports.link(1, cable_a);
        ports.link(2, cable_b);
        ASSERT_EQ(kvn_nulmodem_connect(0, 1, window_a.handle(), arrival_a), 0);
        ASSERT_EQ(kvn_nulmodem_connect(1, 2, window_b.handle(), arrival_b), 0);
    }
    void TearDown() override {
        kvn_disconnect(0);
        kvn_disconnect(1);
    }

    // Sends every record from one slot, one way only (two senders starting
    // at once would each take the other's start marker for their echo).
    void send_all_and_check(int32_t from, int32_t to, RecordingWindow &to_window, uint32_t to_message) {
        const auto records = one_of_each_kind();
        for (const auto &m : records) kvn_send_message(from, &m);
        ASSERT_TRUE(to_window.wait_for_count(records.size()));
        for (const auto &sent : records) {
            kvn_message got;
            std::memset(&got, 0x55, sizeof got);
            kvn_receive_message(to, &got);
            // Copies: the record is packed, so its fields cannot be bound by reference.
            const int32_t got_type = got.type, sent_type = sent.type;
            EXPECT_EQ(got_type, sent_type);
            EXPECT_EQ(wire_text(got), wire_text(sent));
        }
        const auto posts = to_window.posts();
        ASSERT_EQ(posts.size(), records.size()) << "each arrival is notified once";
        for (size_t i = 0; i < posts.size(); ++i) {
            EXPECT_EQ(posts[i].message, to_message);
            EXPECT_EQ(posts[i].wparam, static_cast<uintptr_t>(records[i].type));
            EXPECT_EQ(posts[i].lparam, to);
        }
    }

    Pty cable_a;
    Pty cable_b;
    PortDirectory ports;
    Relay relay{cable_a, cable_b};
    RecordingWindow window_a;
    RecordingWindow window_b;
};

TEST_F(SerialPair, EveryKindOfMessageTravelsBothWays) {
    send_all_and_check(0, 1, window_b, arrival_b);
    send_all_and_check(1, 0, window_a, arrival_a);
    EXPECT_EQ(window_a.count(), one_of_each_kind().size());
    EXPECT_EQ(window_b.count(), one_of_each_kind().size());
}

// Costs one echo time-out (5 to 6 seconds).
TEST_F(SerialPair, LostEchoOfTheEndMarkerDeliversTheMessageTwice) {
    relay.lose_next_towards_a(end_marker);
    kvn_message chat;
    std::memset(&chat, 0, sizeof chat);
    chat.type = KVN_CHAT;
    std::strcpy(chat.u.chat.text, "twice");
    kvn_send_message(0, &chat);

    ASSERT_TRUE(window_b.wait_for_count(2));
    for (int i = 0; i < 2; ++i) {
        kvn_message got{};
        kvn_receive_message(1, &got);
        const int32_t type = got.type;
        ASSERT_EQ(type, KVN_CHAT);
        EXPECT_STREQ(got.u.chat.text, "twice");
    }
    EXPECT_EQ(window_a.count(), 0u);
}

} // namespace
