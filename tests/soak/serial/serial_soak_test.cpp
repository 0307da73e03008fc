// serial_soak_test.cpp - hundreds of mixed messages in turns each way between two serial links
// over a relayed pty pair, fetched in bursts, with the echo of a few end markers lost on the cable.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "serial/pty_peer.h"

using namespace kvn_test;

namespace {

constexpr uint32_t arrival = 0x8011;

// Square i (from 0) of the starting position: black men on 1 to 20, white men on 31 to 50.
char starting_square(uint32_t i) { return i < 20 ? 'z' : i < 30 ? 'e' : 'w'; }

// Message n of the stream that goes out of slot `from`: its kind and every
// field follow from (from, n), so the far side knows what each arrival must be.
kvn_message numbered(int32_t from, uint32_t n) {
    kvn_message m;
    std::memset(&m, 0, sizeof m);
    const auto small = [n](uint32_t mod) { return static_cast<int16_t>(n % mod); };
    switch (n % 8) {
    case 0:
        m.type = KVN_GAME_REQUEST;
        m.u.game_request.version = static_cast<int16_t>(1 + n % 99);
        std::snprintf(m.u.game_request.name, sizeof m.u.game_request.name, "player %d-%u", from, n);
        m.u.game_request.colour = n % 16 ? 'W' : 'Z';
        m.u.game_request.thinking_time = small(1000);
        m.u.game_request.move_count = static_cast<int16_t>((n * 7) % 1000);
        m.u.game_request.side_to_move = n % 3 ? 'W' : 'Z';
        for (int i = 0; i < 50; ++i)
            m.u.game_request.squares[i] =
                n % 24 == 0 ? starting_square(static_cast<uint32_t>(i)) : "zew"[(static_cast<uint32_t>(i) + n) % 3];
        break;
    case 1:
    case 2:
        m.type = KVN_MOVE;
        m.u.move.time = small(10000);
        m.u.move.from_square = static_cast<int16_t>(1 + n % 50);
        m.u.move.to_square = static_cast<int16_t>(1 + (n * 3) % 50);
        m.u.move.capture_count = small(21);
        for (int16_t i = 0; i < m.u.move.capture_count; ++i)
            m.u.move.captured[i] = static_cast<int16_t>(1 + (n + static_cast<uint32_t>(i) * 11) % 50);
        break;
    case 3:
        m.type = KVN_GAME_END;
        m.u.game_end.reason = small(4);
        m.u.game_end.stop_code = small(2);
        break;
    case 4: // from 20 up to the longest chat there is, 126 characters
        m.type = KVN_CHAT;
        std::snprintf(m.u.chat.text, sizeof m.u.chat.text, "chat %d-%u over the cable %.*s", from, n,
                      static_cast<int>(n % 100), std::string(100, '~').c_str());
        break;
    case 5:
        m.type = KVN_BACK_REQUEST;
        m.u.back_request.move_number = static_cast<int16_t>(1 + n % 999);
        m.u.back_request.side_to_move = n % 2 ? 'Z' : 'W';
        break;
    case 6:
        m.type = KVN_BACK_ACCEPT;
        m.u.back_accept.accept_code = small(3);
        break;
    default:
        m.type = KVN_GAME_ACCEPT;
        std::snprintf(m.u.game_accept.name, sizeof m.u.game_accept.name, "accepting %d-%u", from, n);
        m.u.game_accept.accept_code = small(4);
        break;
    }
    return m;
}

// Whether `got` holds every field of `sent`, which has only values that travel unchanged.
bool same_fields(const kvn_message &got, const kvn_message &sent) {
    if (got.type != sent.type) return false;
    const auto same_text = [](const char *a, const char *b, size_t size) { return std::strncmp(a, b, size) == 0; };
    switch (sent.type) {
    case KVN_GAME_REQUEST: {
        const kvn_game_request &a = got.u.game_request, &b = sent.u.game_request;
        return a.version == b.version && same_text(a.name, b.name, sizeof a.name) && a.colour == b.colour &&
               a.thinking_time == b.thinking_time && a.move_count == b.move_count && a.side_to_move == b.side_to_move &&
               std::memcmp(a.squares, b.squares, sizeof a.squares) == 0;
    }
    case KVN_GAME_ACCEPT:
        return same_text(got.u.game_accept.name, sent.u.game_accept.name, sizeof sent.u.game_accept.name) &&
               got.u.game_accept.accept_code == sent.u.game_accept.accept_code;
    case KVN_MOVE: {
        const kvn_move &a = got.u.move, &b = sent.u.move;
        return a.time == b.time && a.from_square == b.from_square && a.to_square == b.to_square &&
               a.capture_count == b.capture_count && std::equal(a.captured, a.captured + b.capture_count, b.captured);
    }
    case KVN_GAME_END:
        return got.u.game_end.reason == sent.u.game_end.reason && got.u.game_end.stop_code == sent.u.game_end.stop_code;
    case KVN_CHAT: return same_text(got.u.chat.text, sent.u.chat.text, sizeof sent.u.chat.text);
    case KVN_BACK_REQUEST:
        return got.u.back_request.move_number == sent.u.back_request.move_number &&
               got.u.back_request.side_to_move == sent.u.back_request.side_to_move;
    default: return got.u.back_accept.accept_code == sent.u.back_accept.accept_code;
    }
}

// The null-modem cable: copies every byte from one master to the other, and
// loses the echo of the end marker of the first text holding each chat text
// it was told of.  It follows each direction's frames to know which text an
// end marker closes.
class LossyCable {
public:
    LossyCable(Pty &a, Pty &b, std::set<std::string> lose_end_echo_of_chat)
        : lose_(std::move(lose_end_echo_of_chat)), ab_{a, b}, ba_{b, a}, worker_([this] { run(); }) {}
    ~LossyCable() {
        stop_ = true;
        worker_.join();
    }
    LossyCable(const LossyCable &) = delete;
    LossyCable &operator=(const LossyCable &) = delete;

    size_t echoes_lost() const { return lost_; }

private:
    struct Way {
        Pty &from;
        Pty &to;
        std::string frame{};
        bool in_frame = false;
        bool lose_next_end = false;
    };

    void run() {
        while (!stop_) {
            pollfd ready[2] = {{ab_.from.master(), POLLIN, 0}, {ba_.from.master(), POLLIN, 0}};
            if (poll(ready, 2, 20) <= 0) continue;
            if ((ready[0].revents & POLLIN) != 0) pass(ab_, ba_);
            if ((ready[1].revents & POLLIN) != 0) pass(ba_, ab_);
        }
    }

    void pass(Way &way, Way &back) {
        uint8_t byte = 0;
        if (::read(way.from.master(), &byte, 1) != 1) return;
        if (byte == end_marker && way.lose_next_end) {
            way.lose_next_end = false;
            ++lost_;
            return;
        }
        if (byte == start_marker) {
            way.frame.clear();
            way.in_frame = true;
        } else if (byte == end_marker) {
            // Armed before the end marker goes on, so its echo cannot slip past.
            if (way.in_frame && strike_off(way.frame)) back.lose_next_end = true;
            way.in_frame = false;
        } else if (way.in_frame) {
            way.frame.push_back(static_cast<char>(byte));
        }
        way.to.write_byte(byte);
    }

    // Whether `frame` holds one of the chat texts still to lose, which is then struck off.
    bool strike_off(const std::string &frame) {
        for (auto chat = lose_.begin(); chat != lose_.end(); ++chat) {
            if (frame.find(*chat) == std::string::npos) continue;
            lose_.erase(chat);
            return true;
        }
        return false;
    }

    std::set<std::string> lose_; // the relay thread's alone once it runs
    Way ab_;
    Way ba_;
    std::atomic<size_t> lost_{0};
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

struct Direction {
    int32_t from, to;
    RecordingWindow &to_window;
    std::set<uint32_t> echo_lost; // numbers whose end marker's echo the cable loses
    uint32_t sent = 0;
    std::vector<uint32_t> expected{}; // the number of each arrival due, in order
    size_t fetched = 0;
};

class SerialSoak : public ::testing::Test {
protected:
    void TearDown() override {
        kvn_disconnect(0);
        kvn_disconnect(1);
    }

    // `count` messages each way.  The two sides take turns, a burst at a time:
    // two senders that start at once would each take the other's start marker
    // for their echo.  The receiving host fetches in bursts of its own while
    // the rest of the burst is still arriving.
    void soak(uint32_t count, std::set<uint32_t> lost_a_to_b, std::set<uint32_t> lost_b_to_a) {
        // The cable picks out a text whose echo it loses by its chat text, which travels as it is.
        std::set<std::string> lose;
        for (int32_t from : {0, 1}) {
            for (uint32_t n : from == 0 ? lost_a_to_b : lost_b_to_a) {
                const kvn_message m = numbered(from, n);
                ASSERT_EQ(m.type, KVN_CHAT) << "message " << n << " has no chat text to be picked out by";
                lose.insert(m.u.chat.text);
            }
        }
        ASSERT_EQ(lose.size(), lost_a_to_b.size() + lost_b_to_a.size()) << "each lost echo needs a text of its own";

        ports.link(1, cable_a);
        ports.link(2, cable_b);
        LossyCable cable(cable_a, cable_b, std::move(lose));
        ASSERT_EQ(kvn_nulmodem_connect(0, 1, window_a.handle(), arrival), 0);
        ASSERT_EQ(kvn_nulmodem_connect(1, 2, window_b.handle(), arrival), 0);

        Direction ways[2] = {{0, 1, window_b, std::move(lost_a_to_b)}, {1, 0, window_a, std::move(lost_b_to_a)}};
        for (uint32_t round = 0; ways[0].sent < count || ways[1].sent < count; ++round) {
            for (auto &way : ways) {
                for (uint32_t burst = 1 + (round * 5 + static_cast<uint32_t>(way.from)) % 12;
                     burst > 0 && way.sent < count; --burst) {
                    const kvn_message m = numbered(way.from, way.sent);
                    kvn_send_message(way.from, &m);
                    way.expected.push_back(way.sent);
                    // A sender that misses the echo of its end marker sends the
                    // whole message again, and the far side takes it twice.
                    if (way.echo_lost.count(way.sent) != 0) way.expected.push_back(way.sent);
                    ++way.sent;
                }
                while (way.fetched < way.expected.size()) {
                    const size_t due = std::min(way.expected.size(), way.fetched + 1 + (round + way.fetched) % 5);
                    ASSERT_TRUE(way.to_window.wait_for_count(due))
                        << "slot " << way.to << " stalled at arrival " << way.to_window.count() << " of " << due;
                    for (; way.fetched < due; ++way.fetched) {
                        const kvn_message sent = numbered(way.from, way.expected[way.fetched]);
                        kvn_message got;
                        std::memset(&got, 0x5A, sizeof got);
                        kvn_receive_message(way.to, &got);
                        const int32_t got_type = got.type, sent_type = sent.type;
                        ASSERT_EQ(got_type, sent_type) << "slot " << way.to << ", arrival " << way.fetched;
                        ASSERT_TRUE(same_fields(got, sent)) << "slot " << way.to << ", arrival " << way.fetched;
                    }
                }
            }
        }

        // One notification per arrival, with its type and slot, and nothing more.
        for (auto &way : ways) {
            const auto posts = way.to_window.posts();
            ASSERT_EQ(posts.size(), way.expected.size());
            for (size_t i = 0; i < posts.size(); ++i) {
                EXPECT_EQ(posts[i].message, arrival);
                EXPECT_EQ(posts[i].lparam, way.to);
                ASSERT_EQ(posts[i].wparam, static_cast<uintptr_t>(numbered(way.from, way.expected[i]).type))
                    << "notification " << i << " of slot " << way.to;
            }
            kvn_message extra;
            kvn_receive_message(way.to, &extra);
            EXPECT_EQ(extra.type, KVN_NONE);
        }
        EXPECT_EQ(cable.echoes_lost(), ways[0].echo_lost.size() + ways[1].echo_lost.size());
        kvn_disconnect(0);
        kvn_disconnect(1);
    }

    Pty cable_a;
    Pty cable_b;
    PortDirectory ports;
    RecordingWindow window_a;
    RecordingWindow window_b;
};

} // namespace

// Each message costs about one cycle of the far receiver (100 ms), each lost
// echo one echo time-out (5 to 6 s): about 30 s in every build.
TEST_F(SerialSoak, MixedMessagesInTurnsArriveInOrderAndOnlyLostEchoesRepeat) { soak(80, {36}, {68}); }

// Both hosts send at about the same moment, five times over: each sender
// takes the other's start marker for its echo and meets a wrong echo where
// the texts first differ.  Without the sender stepping aside for a random
// pause, both would begin again in step for as long as the links stay open.
TEST_F(SerialSoak, BothSidesSendingAtOnceBothArrive) {
    ports.link(1, cable_a);
    ports.link(2, cable_b);
    LossyCable cable(cable_a, cable_b, {});
    ASSERT_EQ(kvn_nulmodem_connect(0, 1, window_a.handle(), arrival), 0);
    ASSERT_EQ(kvn_nulmodem_connect(1, 2, window_b.handle(), arrival), 0);
    for (uint32_t n = 0; n < 5; ++n) {
        const kvn_message from_a = numbered(0, n * 8 + 4), from_b = numbered(1, n * 8 + 4);
        kvn_send_message(0, &from_a);
        kvn_send_message(1, &from_b);
        ASSERT_TRUE(window_b.wait_for_count(n + 1)) << "message " << n << " from slot 0";
        ASSERT_TRUE(window_a.wait_for_count(n + 1)) << "message " << n << " from slot 1";
    }
}
