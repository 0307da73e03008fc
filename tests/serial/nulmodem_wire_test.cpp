// nulmodem_wire_test.cpp - the serial link's bytes on the cable, against a peer the test drives.
#include <gtest/gtest.h>

#include <ctime>
#include <future>
#include <memory>

#include "serial/conn_nulmodem.h"
#include "serial/pty_peer.h"

using namespace kvn_test;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t arrival = 0x8123;

class SerialWire : public ::testing::Test {
protected:
    void SetUp() override {
        ports.link(3, peer);
        link = std::make_unique<kvn::CConnNulmodem>(3);
        link->set_notification_target(window.handle(), arrival, 2);
        ASSERT_EQ(link->open(), 0);
    }

    void queue_text(const char *chars) {
        kvn::MsgText text;
        text.set_from_string(chars);
        link->queue_for_sending(text);
    }

    // The oldest received text, after waiting for its notification.
    std::string next_arrival(size_t nth) {
        if (!window.wait_for_count(nth)) return "<no arrival>";
        kvn::MsgText text;
        return link->take_received(text) ? std::string(text.chars) : "<empty queue>";
    }

    // After the start marker's echo: echoes the text and its end marker, as a
    // well-behaved peer does, and returns the text.
    std::string echo_rest_of_message() {
        std::string rest;
        for (int byte = peer.read_byte(); byte != nothing && byte != end_marker; byte = peer.read_byte()) {
            rest.push_back(static_cast<char>(byte));
            peer.write_byte(static_cast<uint8_t>(byte));
        }
        peer.write_byte(end_marker);
        return rest;
    }

    Pty peer;
    PortDirectory ports;
    RecordingWindow window;
    std::unique_ptr<kvn::CConnNulmodem> link;
};

TEST_F(SerialWire, SendsEachByteOnlyAfterTheEchoOfTheOneBefore) {
    queue_text("M0015322800");
    std::vector<int> cable;
    for (int byte = peer.read_byte(); byte != nothing; byte = peer.read_byte()) {
        cable.push_back(byte);
        // Nothing more may come while this byte waits for its echo.
        EXPECT_EQ(peer.read_byte(150ms), nothing) << "after byte " << cable.size();
        peer.write_byte(static_cast<uint8_t>(byte));
        if (byte == end_marker) break;
    }
    EXPECT_EQ(cable, as_echoes(framed("M0015322800")));
    EXPECT_EQ(peer.read_byte(400ms), nothing) << "a message that went through is not sent again";
}

TEST_F(SerialWire, WrongEchoSendsTheWholeMessageAgain) {
    queue_text("C12");
    ASSERT_EQ(peer.read_byte(), start_marker);
    peer.write_byte(0x00); // noise, not an echo
    peer.write_byte(start_marker);
    ASSERT_EQ(peer.read_byte(), 'C');
    peer.write_byte('X');
    EXPECT_EQ(peer.read_byte(), start_marker) << "a wrong echo of a character restarts";

    peer.write_byte(start_marker);
    for (char c : std::string("C12")) {
        ASSERT_EQ(peer.read_byte(), c);
        peer.write_byte(static_cast<uint8_t>(c));
    }
    ASSERT_EQ(peer.read_byte(), end_marker);
    peer.write_byte(end_marker + 1);
    EXPECT_EQ(peer.read_byte(), start_marker) << "a wrong echo of the end marker restarts";
    peer.write_byte(start_marker);

    const std::string rest = echo_rest_of_message();
    EXPECT_EQ(rest, "C12");
    EXPECT_EQ(peer.read_byte(400ms), nothing);
}

// Costs one echo time-out (5 to 6 seconds).
TEST_F(SerialWire, SilentPeerOnlyMakesTheSenderRetryAndTheLinkStaysOpen) {
    queue_text("K1");
    ASSERT_EQ(peer.read_byte(), start_marker);
    const std::time_t first = std::time(nullptr);
    ASSERT_EQ(peer.read_byte(), start_marker) << "the start marker is written again";
    EXPECT_GE(std::time(nullptr) - first, 4) << "not before the echo time-out";
    EXPECT_TRUE(link->is_open());
    EXPECT_EQ(window.count(), 0u) << "no loss is ever reported for a serial link";

    // The peer comes to life: the exchange goes on by itself.
    peer.write_byte(start_marker);
    const std::string rest = echo_rest_of_message();
    EXPECT_EQ(rest, "K1");
    EXPECT_EQ(window.count_of(KVN_CONNECTION_LOST), 0u);
}

TEST_F(SerialWire, EchoesAndDeliversATextWithOneNotification) {
    EXPECT_EQ(send_bytes(peer, framed("E10")), as_echoes(framed("E10")));
    EXPECT_EQ(next_arrival(1), "E10");
    const auto posts = window.posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].message, arrival);
    EXPECT_EQ(posts[0].wparam, uintptr_t{KVN_GAME_END});
    EXPECT_EQ(posts[0].lparam, 2);
}

TEST_F(SerialWire, SecondStartMarkerBeginsTheTextAnew) {
    send_bytes(peer, {start_marker, 'C', 'a', start_marker, 'C', 'b', end_marker});
    EXPECT_EQ(next_arrival(1), "Cb");
    send_bytes(peer, {start_marker, 'C', 'a', start_marker, end_marker});
    EXPECT_EQ(next_arrival(2), "");
    EXPECT_EQ(window.posts()[1].wparam, uintptr_t{KVN_NONE});
}

TEST_F(SerialWire, TakesAt127CharactersAndGivesUpAt128) {
    const std::string longest = "C" + std::string(126, 'x');
    EXPECT_EQ(send_bytes(peer, framed(longest)), as_echoes(framed(longest)));
    EXPECT_EQ(next_arrival(1), longest);

    // Every byte is still echoed, the end marker in an idle read.
    const std::string too_long = longest + "y";
    EXPECT_EQ(send_bytes(peer, framed(too_long)), as_echoes(framed(too_long)));
    send_bytes(peer, framed("K2"));
    EXPECT_EQ(next_arrival(2), "K2") << "the over-long text was not delivered";
}

TEST_F(SerialWire, ClearsTopBitsSkipsZeroAndDropsFF) {
    const std::vector<int> echoes = send_bytes(peer, {start_marker, 'C', 0xE1, 0xFF, 'c', end_marker});
    EXPECT_EQ(echoes, (std::vector<int>{start_marker, 'C', 0xE1, 0xFF, 'c', end_marker}));
    EXPECT_EQ(next_arrival(1), "Cac");

    // A zero byte is neither echoed nor stored: the next echo is of 'b'.
    send_bytes(peer, {start_marker, 'C'});
    peer.write_byte(0x00);
    peer.write_byte('b');
    EXPECT_EQ(peer.read_byte(), 'b');
    send_bytes(peer, {end_marker});
    EXPECT_EQ(next_arrival(2), "Cb");
}

TEST_F(SerialWire, BytesOutsideAMessageAreEchoedAndDropped) {
    EXPECT_EQ(send_bytes(peer, {'Z', end_marker}), (std::vector<int>{'Z', end_marker}));
    send_bytes(peer, framed("K0"));
    EXPECT_EQ(next_arrival(1), "K0");
    EXPECT_EQ(window.count(), 1u);
}

TEST_F(SerialWire, CloseDuringAnIncomingMessageWaitsForBothWorkers) {
    send_bytes(peer, {start_marker, 'C', 'x'}); // and then the peer stops
    queue_text("K1");                           // waits for the line
    auto closing = std::async(std::launch::async, [this] { link->close(); });
    ASSERT_EQ(closing.wait_for(patience), std::future_status::ready);
    EXPECT_FALSE(link->is_open());
    EXPECT_TRUE(kvn::NulmodemHarness::nothing_to_send(*link));
    EXPECT_TRUE(kvn::NulmodemHarness::nothing_received(*link));
    EXPECT_EQ(peer.read_byte(300ms), nothing) << "the queued text was dropped unsent";
    EXPECT_EQ(window.count(), 0u);
}

TEST_F(SerialWire, CloseDuringAnOutgoingMessageDropsIt) {
    queue_text("C123");
    ASSERT_EQ(peer.read_byte(), start_marker);
    peer.write_byte(start_marker);
    ASSERT_EQ(peer.read_byte(), 'C'); // never echoed
    queue_text("K1");
    auto closing = std::async(std::launch::async, [this] { link->close(); });
    ASSERT_EQ(closing.wait_for(patience), std::future_status::ready);
    EXPECT_TRUE(kvn::NulmodemHarness::nothing_to_send(*link));
    EXPECT_EQ(peer.read_byte(300ms), nothing);
}

} // namespace
