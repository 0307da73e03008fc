// nulmodem_edges_test.cpp - kvn_disconnect on a serial link still sends what was queued.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "serial/pty_peer.h"

using namespace kvn_test;

TEST(SerialEdges, DisconnectFirstDeliversFiftyMovesAndTheGameEnd) {
    Pty cable;
    PortDirectory ports;
    ports.link(4, cable);
    RecordingWindow window;
    ASSERT_EQ(kvn_nulmodem_connect(0, 4, window.handle(), 0x8001), 0);
    for (int16_t i = 0; i < 50; ++i) {
        kvn_message m;
        std::memset(&m, 0, sizeof m);
        m.type = KVN_MOVE;
        m.u.move = {i, 31, 27, 0, {}};
        kvn_send_message(0, &m);
    }
    kvn_message end;
    std::memset(&end, 0, sizeof end);
    end.type = KVN_GAME_END;
    end.u.game_end.reason = 1;
    kvn_send_message(0, &end);

    // The peer answers every message at once, as it arrives.
    auto answered = std::async(std::launch::async, [&cable] {
        std::vector<std::string> texts;
        try {
            while (texts.size() < 51) texts.push_back(echo_one_message(cable));
        } catch (const std::exception &) {}
        return texts;
    });
    const auto started = std::chrono::steady_clock::now();
    kvn_disconnect(0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, patience);
    const std::vector<std::string> texts = answered.get();
    ASSERT_EQ(texts.size(), 51u);
    EXPECT_EQ(texts.front(), "M0000312700");
    EXPECT_EQ(texts[49], "M0049312700");
    EXPECT_EQ(texts.back(), "E10");
}
