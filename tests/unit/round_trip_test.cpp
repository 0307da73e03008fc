// round_trip_test.cpp - records whose fields lie within the wire ranges come back unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "codec_test_support.h"

namespace {

// Compares type and the member of that type; the rest of the union is not
// part of the message.
size_t member_size(int32_t type) {
    switch (type) {
    case KVN_GAME_REQUEST: return sizeof(kvn_game_request);
    case KVN_GAME_ACCEPT: return sizeof(kvn_game_accept);
    case KVN_MOVE: return sizeof(kvn_move);
    case KVN_GAME_END: return sizeof(kvn_game_end);
    case KVN_CHAT: return sizeof(kvn_chat);
    case KVN_BACK_REQUEST: return sizeof(kvn_back_request);
    default: return sizeof(kvn_back_accept);
    }
}

testing::AssertionResult survives_round_trip(const kvn_message &original) {
    const kvn::MsgText text = kvn_test::encode_text(original);
    kvn_message back = kvn_test::zero_record(0);
    kvn::decode_message(text.chars, back);
    const size_t size = sizeof original.type + member_size(original.type);
    if (std::memcmp(&back, &original, size) == 0) return testing::AssertionSuccess();
    const auto *a = reinterpret_cast<const unsigned char *>(&original);
    const auto *b = reinterpret_cast<const unsigned char *>(&back);
    size_t first = 0;
    while (a[first] == b[first]) ++first;
    return testing::AssertionFailure() << "wire \"" << text.chars << "\" differs first at byte " << first << ": sent "
                                       << int{a[first]} << ", got " << int{b[first]};
}

char random_printable(std::mt19937 &rng) {
    return static_cast<char>(std::uniform_int_distribution<int>('!', '~')(rng));
}

int16_t random_in(std::mt19937 &rng, int lo, int hi) {
    return static_cast<int16_t>(std::uniform_int_distribution<int>(lo, hi)(rng));
}

// A name of 1..32 characters that starts and ends with a non-blank, as the
// receiver trims trailing blanks and a leading one selects the placeholder.
void random_name(std::mt19937 &rng, char (&name)[33]) {
    const int length = random_in(rng, 1, 32);
    for (int i = 0; i < length; ++i) name[i] = random_in(rng, 0, 5) == 0 ? ' ' : random_printable(rng);
    name[0] = random_printable(rng);
    name[length - 1] = random_printable(rng);
}

kvn_message random_record(std::mt19937 &rng, int32_t type) {
    kvn_message m = kvn_test::zero_record(type);
    switch (type) {
    case KVN_GAME_REQUEST: {
        auto &r = m.u.game_request;
        r.version = random_in(rng, 1, 99);
        random_name(rng, r.name);
        r.colour = random_in(rng, 0, 1) ? 'W' : 'Z';
        r.thinking_time = random_in(rng, 0, 999);
        r.move_count = random_in(rng, 0, 999);
        kvn_test::set_initial_position(r);
        if (random_in(rng, 0, 1)) {
            r.side_to_move = random_in(rng, 0, 1) ? 'W' : 'Z';
            for (char &square : r.squares) square = "zewZW"[random_in(rng, 0, 4)];
        }
        break;
    }
    case KVN_GAME_ACCEPT:
        random_name(rng, m.u.game_accept.name);
        m.u.game_accept.accept_code = random_in(rng, 0, 3);
        break;
    case KVN_MOVE:
        m.u.move.time = random_in(rng, 0, 9999);
        m.u.move.from_square = random_in(rng, 1, 50);
        m.u.move.to_square = random_in(rng, 1, 50);
        m.u.move.capture_count = random_in(rng, 0, 20);
        for (int i = 0; i < m.u.move.capture_count; ++i) m.u.move.captured[i] = random_in(rng, 1, 50);
        break;
    case KVN_GAME_END: m.u.game_end = {random_in(rng, 0, 3), random_in(rng, 0, 1)}; break;
    case KVN_CHAT: {
        const int length = random_in(rng, 1, 126);
        for (int i = 0; i < length; ++i) m.u.chat.text[i] = random_in(rng, 0, 4) == 0 ? ' ' : random_printable(rng);
        break;
    }
    case KVN_BACK_REQUEST: m.u.back_request = {random_in(rng, 1, 999), random_in(rng, 0, 1) ? 'W' : 'Z'}; break;
    default: m.u.back_accept = {random_in(rng, 0, 2)}; break;
    }
    return m;
}

} // namespace

TEST(RoundTrip, EveryMoveBetweenSquares) {
    for (int16_t from = 1; from <= 50; ++from)
        for (int16_t to = 1; to <= 50; ++to) {
            kvn_message m = kvn_test::zero_record(KVN_MOVE);
            m.u.move = {static_cast<int16_t>(from * 199), from, to, 0, {}};
            ASSERT_TRUE(survives_round_trip(m));
        }
}

TEST(RoundTrip, EveryCodeOfTheSmallKinds) {
    for (int16_t reason = 0; reason <= 3; ++reason)
        for (int16_t stop = 0; stop <= 1; ++stop) {
            kvn_message m = kvn_test::zero_record(KVN_GAME_END);
            m.u.game_end = {reason, stop};
            EXPECT_TRUE(survives_round_trip(m));
        }
    for (int16_t code = 0; code <= 2; ++code) {
        kvn_message m = kvn_test::zero_record(KVN_BACK_ACCEPT);
        m.u.back_accept = {code};
        EXPECT_TRUE(survives_round_trip(m));
    }
    for (int16_t number = 1; number <= 999; ++number) {
        kvn_message m = kvn_test::zero_record(KVN_BACK_REQUEST);
        m.u.back_request = {number, 'Z'};
        ASSERT_TRUE(survives_round_trip(m));
    }
}

TEST(RoundTrip, BoundaryRecords) {
    kvn_message request = kvn_test::zero_record(KVN_GAME_REQUEST);
    request.u.game_request.version = 99;
    std::memset(request.u.game_request.name, 'n', 32);
    request.u.game_request.colour = 'Z';
    request.u.game_request.thinking_time = 999;
    request.u.game_request.move_count = 999;
    kvn_test::set_initial_position(request.u.game_request);
    EXPECT_TRUE(survives_round_trip(request));
    request.u.game_request.side_to_move = 'Z';
    EXPECT_TRUE(survives_round_trip(request));

    kvn_message capture = kvn_test::zero_record(KVN_MOVE);
    capture.u.move = {9999, 50, 1, 20, {}};
    for (int i = 0; i < 20; ++i) capture.u.move.captured[i] = static_cast<int16_t>(50 - i);
    EXPECT_TRUE(survives_round_trip(capture));

    kvn_message chat = kvn_test::zero_record(KVN_CHAT);
    std::memset(chat.u.chat.text, '~', 126);
    EXPECT_TRUE(survives_round_trip(chat));
    chat = kvn_test::zero_record(KVN_CHAT);
    chat.u.chat.text[0] = ' ';
    EXPECT_TRUE(survives_round_trip(chat));
}

TEST(RoundTrip, RandomRecordsOfEveryKind) {
    std::mt19937 rng(20240611);
    for (int32_t type = KVN_GAME_REQUEST; type <= KVN_BACK_ACCEPT; ++type)
        for (int i = 0; i < 300; ++i) ASSERT_TRUE(survives_round_trip(random_record(rng, type))) << "type " << type;
}

TEST(RoundTrip, TextsSurviveDecodeAndEncode) {
    // The other direction: a well-formed wire text decodes to a record that
    // encodes back to the same text.
    for (const std::string &wire :
         {"R99" + std::string(32, 'n') + "Z999000A", std::string("A") + "Name" + std::string(28, ' ') + "2",
          std::string("M0001502800"),
          std::string("M0015322803"
                      "192021"),
          std::string("E30"), std::string("Chello there"), std::string("B123W"), std::string("K2")}) {
        kvn_message m = kvn_test::zero_record(0);
        kvn::decode_message(wire.c_str(), m);
        EXPECT_EQ(kvn_test::encode(m), wire);
    }
}
