// traffic_soak_test.cpp - long runs of mixed messages both ways between two library links,
// fetched slowly in bursts: every message arrives once, in order, field for field.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "support/links.h"
#include "support/test_system.h"

using namespace kvn_test;

namespace {

// The record that carries sequence number n: its kind and every field follow
// from n, so the receiver knows exactly what the n-th arrival must be.
kvn_message numbered(uint32_t n) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    switch (n % 5) {
    case 0:
    case 1: { // moves: n in time and from square, captures derived from n
        m.type = KVN_MOVE;
        m.u.move.time = static_cast<int16_t>(n % 10000);
        m.u.move.from_square = static_cast<int16_t>(1 + n / 10000);
        m.u.move.to_square = static_cast<int16_t>(1 + n % 50);
        m.u.move.capture_count = static_cast<int16_t>(n % 7);
        for (int16_t i = 0; i < m.u.move.capture_count; ++i)
            m.u.move.captured[i] = static_cast<int16_t>(1 + (n + static_cast<uint32_t>(i) * 13) % 50);
        break;
    }
    case 2:
        m.type = KVN_CHAT;
        std::snprintf(m.u.chat.text, sizeof m.u.chat.text, "message %u of the soak%.*s", n, static_cast<int>(n % 90),
                      "..........................................................................................");
        break;
    case 3:
        m.type = KVN_BACK_REQUEST;
        m.u.back_request.move_number = static_cast<int16_t>(1 + n % 999);
        m.u.back_request.side_to_move = n % 2 ? 'Z' : 'W';
        break;
    default:
        m.type = KVN_GAME_END;
        m.u.game_end.reason = static_cast<int16_t>(n % 4);
        m.u.game_end.stop_code = static_cast<int16_t>(n % 2);
        break;
    }
    return m;
}

struct Direction {
    int32_t from, to;
    RecordingWindow *to_window;
    uint32_t sent = 0, received = 0;
};

// Sends `count` messages each way between slots 0 and 1 while the host fetches in
// bursts of varying size with pauses; fails at the first message out of place.
// The windows outlive the links, which the fixture closes.
void soak(uint32_t count, RecordingWindow (&windows)[3]) {
    open_pair(Family::ipv4, 0, windows[0].handle(), 1, windows[1].handle(), free_port());
    Direction ways[2] = {{0, 1, &windows[1]}, {1, 0, &windows[0]}};
    auto last_progress = std::chrono::steady_clock::now();
    for (uint32_t round = 0; ways[0].received < count || ways[1].received < count; ++round) {
        bool progressed = false;
        for (auto &way : ways) {
            // The host hands over messages in bursts ...
            for (uint32_t burst = 1 + (round * 37) % 500; burst > 0 && way.sent < count; --burst) {
                const kvn_message m = numbered(way.sent++);
                kvn_send_message(way.from, &m);
            }
            // ... and fetches in bursts of its own, which lag behind.
            for (uint32_t burst = 1 + (round * 53) % 400; burst > 0 && way.received < count; --burst) {
                kvn_message got;
                std::memset(&got, 0, sizeof got);
                kvn_receive_message(way.to, &got);
                if (got.type == KVN_NONE) break;
                const kvn_message expected = numbered(way.received);
                ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
                    << "slot " << way.to << ": arrival " << way.received << " is not message " << way.received;
                ++way.received;
                progressed = true;
            }
        }
        if (progressed) last_progress = std::chrono::steady_clock::now();
        ASSERT_LT(std::chrono::steady_clock::now() - last_progress, patience)
            << "stalled at " << ways[0].received << " and " << ways[1].received;
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 4 == 0 ? 20 : 2)); // a slow host
    }
#ifdef _WIN32
    // Windows holds posted window messages in a bounded per-thread queue, and
    // this host fetches by polling rather than per message, so there only the
    // messages themselves are counted.
    return;
#endif
    // Exactly one notification per message, each with its own type, and nothing more.
    for (auto &way : ways) {
        const auto posts = way.to_window->posts();
        ASSERT_EQ(posts.size(), count);
        for (uint32_t n = 0; n < count; ++n)
            ASSERT_EQ(posts[n].wparam, static_cast<uintptr_t>(numbered(n).type)) << "notification " << n;
        kvn_message extra;
        kvn_receive_message(way.to, &extra);
        EXPECT_EQ(extra.type, KVN_NONE);
    }
}

class Soak : public LinkTest {};

} // namespace

// Some 5 s natively and 10 s under ThreadSanitizer: small enough for every build.
TEST_F(Soak, HundredThousandEachWayNothingLost) { soak(100000, windows); }
