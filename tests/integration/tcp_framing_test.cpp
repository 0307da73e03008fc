// tcp_framing_test.cpp - the bytes on the wire: every text and one 0x00, and how the
// receiver cuts, masks, drops and gives up on what a plain socket peer sends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "support/links.h"

using namespace kvn_test;
using namespace std::chrono_literals;

namespace {

// A library client (slot 0) linked to a raw peer that the test drives.
class Framing : public LinkTest {
protected:
    void SetUp() override {
        const uint16_t port = next_port();
        ASSERT_TRUE(peer.listen(Family::ipv4, port));
        ASSERT_EQ(kvn_socket_connect_ex(0, "127.0.0.1", window.handle(), test_message, port), KVN_OK);
        ASSERT_TRUE(peer.accept());
    }

    std::string fetch_chars() {
        kvn_message m;
        std::memset(&m, 0, sizeof m);
        kvn_receive_message(0, &m);
        return m.type == KVN_CHAT ? std::string(m.u.chat.text) : std::string();
    }

    RecordingWindow window;
    RawPeer peer;
};

} // namespace

TEST_F(Framing, SentTextIsItsCharactersAndOneNul) {
    const kvn_message move = make_move(15, 32, 28);
    kvn_send_message(0, &move);
    const kvn_message chat = make_chat("hi");
    kvn_send_message(0, &chat);
    EXPECT_EQ(peer.receive(16), framed("M0015322800") + framed("Chi"));
    EXPECT_EQ(peer.drain(300ms), "");
}

TEST_F(Framing, RecordOfNoKindGoesOutAsALoneNul) {
    kvn_message nothing;
    std::memset(&nothing, 0, sizeof nothing);
    nothing.type = 8;
    kvn_send_message(0, &nothing);
    EXPECT_EQ(peer.receive(1), std::string(1, '\0'));
}

TEST_F(Framing, TwoTextsInOneSegmentArriveInOrder) {
    ASSERT_TRUE(peer.send(framed("Cfirst") + framed("K2")));
    ASSERT_TRUE(window.wait_for_count(2));
    const auto posts = window.posts();
    EXPECT_EQ(posts[0].wparam, static_cast<uintptr_t>(KVN_CHAT));
    EXPECT_EQ(posts[1].wparam, static_cast<uintptr_t>(KVN_BACK_ACCEPT));
    EXPECT_EQ(fetch_chars(), "first");
    kvn_message m;
    kvn_receive_message(0, &m);
    EXPECT_EQ(m.type, KVN_BACK_ACCEPT);
    EXPECT_EQ(m.u.back_accept.accept_code, 2);
}

TEST_F(Framing, TextSplitOverSegmentsIsDeliveredOnceWhole) {
    ASSERT_TRUE(peer.send("Cspl"));
    std::this_thread::sleep_for(250ms); // gives the receiver a chance to see the first part alone
    ASSERT_TRUE(peer.send("it te"));
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(window.count(), 0u);
    ASSERT_TRUE(peer.send(framed("xt")));
    ASSERT_TRUE(window.wait_for_count(1));
    EXPECT_EQ(fetch_chars(), "split text");
    EXPECT_EQ(window.count(), 1u);
}

TEST_F(Framing, LengthLimitsAndEmptyTexts) {
    const std::string longest = "C" + std::string(126, 'a');  // 127: delivered
    const std::string too_long = "C" + std::string(127, 'b'); // 128: dropped
    ASSERT_TRUE(
        peer.send(std::string(1, '\0') + framed(too_long) + framed(longest) + std::string(2, '\0') + framed("Cafter")));
    ASSERT_TRUE(window.wait_for_count(2));
    EXPECT_EQ(fetch_chars(), std::string(126, 'a'));
    EXPECT_EQ(fetch_chars(), "after");
    EXPECT_EQ(window.drain_count_after(300ms), 2u);
}

TEST_F(Framing, ReceivedBytesAreMaskedToSevenBits) {
    ASSERT_TRUE(peer.send(framed("C\xC1\xE2z") + framed("Cab\x80"
                                                        "cd")));
    ASSERT_TRUE(window.wait_for_count(2));
    EXPECT_EQ(fetch_chars(), "Abz");
    EXPECT_EQ(fetch_chars(), "ab"); // 0x80 becomes NUL and ends the text
}

TEST_F(Framing, UnknownLetterIsQueuedAndNotifiedAsZero) {
    ASSERT_TRUE(peer.send(framed("m0015322800")));
    ASSERT_TRUE(window.wait_for_count(1));
    EXPECT_EQ(window.posts()[0].wparam, 0u);
    kvn_message m;
    m.type = 42;
    m.u.move.time = 7;
    kvn_receive_message(0, &m);
    EXPECT_EQ(m.type, KVN_NONE);
    EXPECT_EQ(m.u.move.time, 7);
}

TEST_F(Framing, LongestDroppableTextKeepsTheLinkUp) {
    // 1269 bytes and their 0x00 fill the receive buffer exactly: dropped, link stays.
    ASSERT_TRUE(peer.send(framed(std::string(1269, 'x')) + framed("Cstill here")));
    ASSERT_TRUE(window.wait_for_count(1));
    EXPECT_EQ(fetch_chars(), "still here");
    EXPECT_EQ(window.count_of(KVN_CONNECTION_LOST), 0u);
}

TEST_F(Framing, UnterminatedFloodEndsTheLinkOnceAndKeepsWhatArrived) {
    ASSERT_TRUE(peer.send(framed("Cunfetched")));
    ASSERT_TRUE(window.wait_for_count(1));
    ASSERT_TRUE(peer.send(std::string(1270, 'y')));
    ASSERT_TRUE(window.wait_for_wparam(KVN_CONNECTION_LOST));
    EXPECT_TRUE(peer.wait_closed());
    EXPECT_EQ(fetch_chars(), "unfetched"); // the loss kept what had arrived
    kvn_message m;
    kvn_receive_message(0, &m);
    EXPECT_EQ(m.type, KVN_NONE);
    EXPECT_EQ(window.drain_count_after(300ms), 2u);
    EXPECT_EQ(window.count_of(KVN_CONNECTION_LOST), 1u);
    EXPECT_EQ(window.posts().back().lparam, 0);
}
