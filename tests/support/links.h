// links.h - opening library links in tests: servers that wait for their peer, client
// connects, and a fixture that leaves every slot free.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "kvn.h"
#include "raw_peer.h"
#include "recording_window.h"

namespace kvn_test {

inline constexpr uint32_t test_message = 0x8001; // the window message the tests ask for

inline int32_t connect_ex(Family family, int32_t slot, const char *host, kvn_window_handle window, int32_t port) {
    return family == Family::ipv4 ? kvn_socket_connect_ex(slot, host, window, test_message, port)
                                  : kvn_socket_connect6_ex(slot, host, window, test_message, port);
}

// Opens `slot` as a server on a thread of its own, calling the connect
// function again after every accept window that ended without a peer.
class ServerOpener {
public:
    ServerOpener(Family family, int32_t slot, kvn_window_handle window, uint16_t port)
        : thread_([=, this] {
              const auto deadline = std::chrono::steady_clock::now() + patience;
              int32_t r;
              do {
                  r = connect_ex(family, slot, "", window, port);
              } while (r == KVN_NO_PEER && std::chrono::steady_clock::now() < deadline);
              result_ = r;
          }) {}
    ~ServerOpener() {
        if (thread_.joinable()) thread_.join();
    }
    int32_t result() {
        if (thread_.joinable()) thread_.join();
        return result_;
    }

private:
    std::atomic<int32_t> result_{1};
    std::thread thread_;
};

// Two library links against each other: `server_slot` listens, `client_slot` connects.
inline void open_pair(Family family, int32_t server_slot, kvn_window_handle server_window, int32_t client_slot,
                      kvn_window_handle client_window, uint16_t port) {
    ServerOpener server(family, server_slot, server_window, port);
    int32_t client = KVN_CONNECT_FAILED;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (client == KVN_CONNECT_FAILED && std::chrono::steady_clock::now() < deadline) {
        client = connect_ex(family, client_slot, loopback(family), client_window, port);
        if (client == KVN_CONNECT_FAILED)
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // server not listening yet
    }
    ASSERT_EQ(client, KVN_OK);
    ASSERT_EQ(server.result(), KVN_OK);
}

// Every test starts and ends with all three slots free.  The windows belong
// to the fixture so that they outlive every link, which is closed in TearDown.
class LinkTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (int32_t slot = 0; slot < 3; ++slot) kvn_disconnect(slot);
    }

    RecordingWindow windows[3];
};

inline kvn_message make_move(int16_t time, int16_t from, int16_t to, std::initializer_list<int16_t> captured = {}) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = KVN_MOVE;
    m.u.move.time = time;
    m.u.move.from_square = from;
    m.u.move.to_square = to;
    for (int16_t square : captured) m.u.move.captured[m.u.move.capture_count++] = square;
    return m;
}

inline kvn_message make_chat(const char *text) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    m.type = KVN_CHAT;
    std::strncpy(m.u.chat.text, text, sizeof m.u.chat.text - 1);
    return m;
}

// Waits until `slot` has a message and fetches it.
inline kvn_message receive_next(int32_t slot, RecordingWindow &window, size_t expected_posts) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    if (window.wait_for_count(expected_posts)) kvn_receive_message(slot, &m);
    return m;
}

} // namespace kvn_test
