// dead_peer_test.cpp - a peer whose machine vanishes while a move of ours waits for its
// acknowledgement is reported as a lost link within about a minute and a half.
//
// Runs inside a private network namespace (tests/netns/in_private_network.sh),
// whose loopback the test can take down: from then on nothing is acknowledged,
// and no error reaches either end until the link gives up on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "support/links.h"

using namespace kvn_test;
using namespace std::chrono_literals;

TEST(DeadPeer, AMoveLeftUnacknowledgedIsReportedWithinAMinuteAndAHalf) {
    RecordingWindow server, client;
    open_pair(Family::ipv4, 0, server.handle(), 1, client.handle(), KVN_DEFAULT_PORT);
    const kvn_message move = make_move(15, 32, 28);
    kvn_send_message(1, &move);
    ASSERT_TRUE(server.wait_for_count(1)); // the link works

    ASSERT_EQ(std::system("ip link set lo down"), 0);
    const auto cut = std::chrono::steady_clock::now();
    kvn_send_message(1, &move); // never acknowledged: keep-alive alone would wait for ever
    ASSERT_TRUE(client.wait_for_wparam(KVN_CONNECTION_LOST, 1, 150s));
    const auto took = std::chrono::steady_clock::now() - cut;
    EXPECT_LT(took, 95s);
    std::printf("lost link reported %.1f s after the peer vanished\n", std::chrono::duration<double>(took).count());
    kvn_disconnect(0);
    kvn_disconnect(1);
}
