// decoder_test.cpp - classification, the decoder's own clamp rules and its handling of short or odd texts.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "codec_test_support.h"

using kvn_test::decode;
using kvn_test::spaces;

namespace {

// A game request whose fields before the position marker are plain.
std::string request_head() { return "R01" + kvn_test::name_field("Peer") + "W005075"; }

std::string numbered_squares(size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s += static_cast<char>('!' + i);
    return s;
}

} // namespace

TEST(ClassifyMessage, FirstLetterOnly) {
    EXPECT_EQ(kvn::classify_message("R"), KVN_GAME_REQUEST);
    EXPECT_EQ(kvn::classify_message("A"), KVN_GAME_ACCEPT);
    EXPECT_EQ(kvn::classify_message("M"), KVN_MOVE);
    EXPECT_EQ(kvn::classify_message("Exyz"), KVN_GAME_END);
    EXPECT_EQ(kvn::classify_message("C "), KVN_CHAT);
    EXPECT_EQ(kvn::classify_message("B"), KVN_BACK_REQUEST);
    EXPECT_EQ(kvn::classify_message("K9"), KVN_BACK_ACCEPT);
}

TEST(ClassifyMessage, EverythingElseIsNone) {
    EXPECT_EQ(kvn::classify_message(""), KVN_NONE);
    for (const char *text : {"m0015322800", "r", "a", "e41", "c", "b", "k", " M", "X", "0", "\xCD"})
        EXPECT_EQ(kvn::classify_message(text), KVN_NONE) << text;
}

TEST(DecodeMessage, TypeNoneLeavesPayloadUntouched) {
    for (const char *text : {"", "m0015322800", "Z123"}) {
        kvn_message m = kvn_test::filled_record(0xA5);
        kvn::decode_message(text, m);
        EXPECT_EQ(m.type, KVN_NONE) << text;
        const auto *bytes = reinterpret_cast<const unsigned char *>(&m);
        for (size_t i = sizeof m.type; i < sizeof m; ++i) ASSERT_EQ(bytes[i], 0xA5) << text << " byte " << i;
    }
}

TEST(DecodeGameRequest, LetterAloneGivesZerosAndNuls) {
    kvn_message m = kvn_test::filled_record(0x5A);
    kvn::decode_message("R", m);
    const auto &r = m.u.game_request;
    EXPECT_EQ(m.type, KVN_GAME_REQUEST);
    EXPECT_EQ(r.version, 0);
    EXPECT_EQ(r.name[0], '\0');
    EXPECT_EQ(r.colour, '\0');
    EXPECT_EQ(r.thinking_time, 0);
    EXPECT_EQ(r.move_count, 0);
    EXPECT_EQ(r.side_to_move, '\0');
    for (int i = 0; i < 50; ++i) EXPECT_EQ(r.squares[i], '\0') << i;
}

TEST(DecodeGameRequest, NumbersAreStoredAsRead) {
    const kvn_message m = decode("R" + std::string("00") + kvn_test::name_field("N") + "z999000A");
    const auto &r = m.u.game_request;
    EXPECT_EQ(r.version, 0);
    EXPECT_EQ(r.colour, 'z'); // not mapped
    EXPECT_EQ(r.thinking_time, 999);
    EXPECT_EQ(r.move_count, 0);
    EXPECT_EQ(decode("R" + std::string(" 1")).u.game_request.version, 1);
    EXPECT_EQ(decode("R99").u.game_request.version, 99);
}

TEST(DecodeGameRequest, ColourNeedsThirtySixCharacters) {
    const std::string head = "R01" + kvn_test::name_field("N");
    ASSERT_EQ(head.size(), 35u);
    EXPECT_EQ(decode(head).u.game_request.colour, '\0');
    EXPECT_EQ(decode(head + "Z").u.game_request.colour, 'Z');
    EXPECT_EQ(decode(head + "Z").u.game_request.name, std::string("N"));
}

TEST(DecodeGameRequest, InitialPositionMarker) {
    const std::string text = request_head() + "A";
    ASSERT_EQ(text.size(), 43u);
    const kvn_message m = decode(text);
    const auto &r = m.u.game_request;
    EXPECT_EQ(r.version, 1);
    EXPECT_STREQ(r.name, "Peer");
    EXPECT_EQ(r.colour, 'W');
    EXPECT_EQ(r.thinking_time, 5);
    EXPECT_EQ(r.move_count, 75);
    EXPECT_EQ(r.side_to_move, 'W');
    EXPECT_EQ(std::string(r.squares, 50), std::string(20, 'z') + std::string(10, 'e') + std::string(20, 'w'));

    // Whatever follows the 'A' is ignored.
    const kvn_message longer = decode(request_head() + "AZzzzz");
    EXPECT_EQ(longer.u.game_request.side_to_move, 'W');
    EXPECT_EQ(longer.u.game_request.squares[0], 'z');
}

TEST(DecodeGameRequest, ExplicitPositionIsStoredUnchanged) {
    const std::string squares = numbered_squares(50);
    for (char marker : {'B', 'X', 'a'}) {
        const std::string text = request_head() + marker + "Z" + squares;
        ASSERT_EQ(text.size(), 94u);
        const kvn_message m = decode(text);
        EXPECT_EQ(m.u.game_request.side_to_move, 'Z') << marker;
        EXPECT_EQ(std::string(m.u.game_request.squares, 50), squares) << marker;
    }
}

TEST(DecodeGameRequest, ShortExplicitPositionEndsInNuls) {
    const std::string text = request_head() + "BZ" + numbered_squares(16);
    ASSERT_EQ(text.size(), 60u);
    kvn_message m = kvn_test::filled_record(0x77);
    kvn::decode_message(text.c_str(), m);
    const auto &r = m.u.game_request;
    EXPECT_EQ(r.side_to_move, 'Z');
    EXPECT_EQ(std::string(r.squares, 16), numbered_squares(16));
    for (int i = 16; i < 50; ++i) EXPECT_EQ(r.squares[i], '\0') << "square " << i + 1;
}

TEST(DecodeGameRequest, MarkerAtEndOrMissingReadsAsExplicitPosition) {
    // A text that ends before the marker, or just after it, reads NULs.
    kvn_message m = decode(request_head());
    ASSERT_EQ(request_head().size(), 42u);
    EXPECT_EQ(m.u.game_request.side_to_move, '\0');
    EXPECT_EQ(m.u.game_request.squares[0], '\0');
    m = decode(request_head() + "B");
    EXPECT_EQ(m.u.game_request.side_to_move, '\0');
    m = decode(request_head() + "BW");
    EXPECT_EQ(m.u.game_request.side_to_move, 'W');
    EXPECT_EQ(m.u.game_request.squares[0], '\0');
}

TEST(DecodeGameAccept, NameAndCode) {
    kvn_message m = decode("AQ" + spaces(31) + "2");
    EXPECT_EQ(m.type, KVN_GAME_ACCEPT);
    EXPECT_STREQ(m.u.game_accept.name, "Q");
    EXPECT_EQ(static_cast<int>(m.u.game_accept.accept_code), 2);

    m = decode("A" + spaces(32) + "0");
    EXPECT_STREQ(m.u.game_accept.name, "");
    EXPECT_EQ(static_cast<int>(decode("Aname" + spaces(28) + "7").u.game_accept.accept_code), 3);
    EXPECT_EQ(static_cast<int>(decode("Aname" + spaces(28) + "3").u.game_accept.accept_code), 3);
    EXPECT_EQ(static_cast<int>(decode("Aname" + spaces(28) + "x").u.game_accept.accept_code), 0);
}

TEST(DecodeGameAccept, ShortTextGivesEmptyNameAndZero) {
    kvn_message m = kvn_test::filled_record(0x33);
    kvn::decode_message("Aabcdefghijklmnopqrs", m); // 20 characters
    EXPECT_EQ(m.u.game_accept.name[0], '\0');
    EXPECT_EQ(static_cast<int>(m.u.game_accept.accept_code), 0);
    m = decode("Aname" + spaces(28)); // name whole, code missing
    EXPECT_STREQ(m.u.game_accept.name, "name");
    EXPECT_EQ(static_cast<int>(m.u.game_accept.accept_code), 0);
}

TEST(DecodeMove, PlainMoveLeavesCapturedAlone) {
    kvn_message m = kvn_test::filled_record(0x11);
    kvn::decode_message("M0015322800", m);
    EXPECT_EQ(m.type, KVN_MOVE);
    EXPECT_EQ(m.u.move.time, 15);
    EXPECT_EQ(m.u.move.from_square, 32);
    EXPECT_EQ(m.u.move.to_square, 28);
    EXPECT_EQ(m.u.move.capture_count, 0);
    for (int16_t entry : m.u.move.captured) EXPECT_EQ(entry, 0x1111);
}

TEST(DecodeMove, SquaresOutsideBoardBecomeZero) {
    EXPECT_EQ(decode("M0015002800").u.move.from_square, 0);
    EXPECT_EQ(decode("M0015512800").u.move.from_square, 0);
    EXPECT_EQ(decode("M0015015000").u.move.from_square, 1);
    EXPECT_EQ(decode("M0015015000").u.move.to_square, 50);
    EXPECT_EQ(decode("M0015019900").u.move.to_square, 0);
    EXPECT_EQ(decode("M9999015000").u.move.time, 9999);
}

TEST(DecodeMove, CaptureCountAboveTwentyReadsNoEntries) {
    std::string text = "M0015322821";
    for (int i = 0; i < 21; ++i) text += "12";
    ASSERT_LE(text.size(), 127u);
    kvn_message m = kvn_test::filled_record(0x22);
    kvn::decode_message(text.c_str(), m);
    EXPECT_EQ(m.u.move.capture_count, 0);
    for (int16_t entry : m.u.move.captured) EXPECT_EQ(entry, 0x2222);
    EXPECT_EQ(decode("M0015322899" + std::string(100, '1')).u.move.capture_count, 0);
}

TEST(DecodeMove, EntriesAreReadUpToTheCountAndStoredAsRead) {
    kvn_message m = kvn_test::filled_record(0x22);
    kvn::decode_message("M00153228037719", m); // third pair missing
    EXPECT_EQ(m.u.move.capture_count, 3);
    EXPECT_EQ(m.u.move.captured[0], 77);
    EXPECT_EQ(m.u.move.captured[1], 19);
    EXPECT_EQ(m.u.move.captured[2], 0);
    EXPECT_EQ(m.u.move.captured[3], 0x2222);

    std::string full = "M0015322820";
    for (int i = 0; i < 20; ++i) full += "99";
    m = decode(full + "11");
    EXPECT_EQ(m.u.move.capture_count, 20);
    for (int16_t entry : m.u.move.captured) EXPECT_EQ(entry, 99);
}

TEST(DecodeMove, LetterAloneGivesZeros) {
    const kvn_message m = decode("M");
    EXPECT_EQ(m.type, KVN_MOVE);
    EXPECT_EQ(m.u.move.time, 0);
    EXPECT_EQ(m.u.move.from_square, 0);
    EXPECT_EQ(m.u.move.to_square, 0);
    EXPECT_EQ(m.u.move.capture_count, 0);
}

TEST(DecodeGameEnd, ClampRules) {
    const auto end = [](const char *text) {
        const kvn_message m = decode(text);
        return std::pair<int16_t, int16_t>{m.u.game_end.reason, m.u.game_end.stop_code};
    };
    EXPECT_EQ(end("E41"), std::make_pair(int16_t{0}, int16_t{1}));
    EXPECT_EQ(end("E2"), std::make_pair(int16_t{2}, int16_t{0}));
    EXPECT_EQ(end("E"), std::make_pair(int16_t{0}, int16_t{0}));
    EXPECT_EQ(end("E39"), std::make_pair(int16_t{3}, int16_t{1}));
    EXPECT_EQ(end("E00"), std::make_pair(int16_t{0}, int16_t{0}));
}

TEST(DecodeChat, CopiedUnchangedAndTerminated) {
    EXPECT_STREQ(decode("C ").u.chat.text, " ");
    EXPECT_STREQ(decode("C").u.chat.text, "");
    EXPECT_STREQ(decode("C  hi  ").u.chat.text, "  hi  ");

    const std::string full(126, 'c');
    kvn_message m = kvn_test::filled_record(0x44);
    kvn::decode_message(("C" + full).c_str(), m);
    EXPECT_EQ(std::string(m.u.chat.text), full);
    EXPECT_EQ(m.u.chat.text[126], '\0');
}

TEST(DecodeChat, StopsAfterTheFirstNulButAlwaysEndsField) {
    kvn_message m = kvn_test::filled_record(0x44);
    kvn::decode_message("Cab", m);
    EXPECT_EQ(std::string(m.u.chat.text, 3), std::string("ab\0", 3));
    EXPECT_EQ(m.u.chat.text[3], 0x44); // not written beyond the NUL
    EXPECT_EQ(m.u.chat.text[126], '\0');
}

TEST(DecodeChat, OverlongTextIsCutAt126) {
    const std::string text = "C" + std::string(200, 'L');
    const kvn_message m = decode(text);
    EXPECT_EQ(std::string(m.u.chat.text), std::string(126, 'L'));
}

TEST(DecodeBackRequest, MoveNumberAndSide) {
    const auto back = [](const char *text) {
        const kvn_message m = decode(text);
        return std::pair<int16_t, char>{m.u.back_request.move_number, m.u.back_request.side_to_move};
    };
    EXPECT_EQ(back("B0"), std::make_pair(int16_t{1}, '\0'));
    EXPECT_EQ(back("B12"), std::make_pair(int16_t{1}, '\0'));
    EXPECT_EQ(back("B123"), std::make_pair(int16_t{123}, '\0'));
    EXPECT_EQ(back("B123W"), std::make_pair(int16_t{123}, 'W'));
    EXPECT_EQ(back("B0007"), std::make_pair(int16_t{1}, '7'));
    EXPECT_EQ(back("B999Z"), std::make_pair(int16_t{999}, 'Z'));
}

TEST(DecodeBackAccept, ClampRule) {
    EXPECT_EQ(decode("K").u.back_accept.accept_code, 0);
    EXPECT_EQ(decode("K5").u.back_accept.accept_code, 1);
    EXPECT_EQ(decode("K2").u.back_accept.accept_code, 2);
    EXPECT_EQ(decode("K3").u.back_accept.accept_code, 1);
}

// Decoding must write `type` and the member of the decoded kind and nothing
// else: the host's record may be a union it reuses, or even a smaller struct.
namespace {

struct Extent {
    const char *text;
    size_t member_size;
};

class DecodeStaysInsideMember : public testing::TestWithParam<Extent> {};

} // namespace

TEST_P(DecodeStaysInsideMember, BytesBeyondMemberKeepTheirPattern) {
    const Extent extent = GetParam();
    for (unsigned fill : {0x00u, 0xA5u, 0xFFu}) {
        unsigned char buffer[sizeof(kvn_message) + 16];
        std::memset(buffer, static_cast<int>(fill), sizeof buffer);
        auto *record = reinterpret_cast<kvn_message *>(buffer + 8);
        kvn::decode_message(extent.text, *record);
        const size_t end = 8 + offsetof(kvn_message, u) + extent.member_size;
        for (size_t i = 0; i < 8; ++i) ASSERT_EQ(buffer[i], fill) << extent.text << " byte " << i;
        for (size_t i = end; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], fill) << extent.text << " byte " << i;
    }
}

namespace {
const std::string long_request = "R01" + std::string(32, 'n') + "W005075BZ" + std::string(50, 'q') + "tail";
const std::string long_move = "M0015322820" + std::string(100, '4');
const std::string long_chat = "C" + std::string(126, 'c');
const std::string long_accept = "A" + std::string(32, 'n') + "3" + std::string(60, 'x');
} // namespace

INSTANTIATE_TEST_SUITE_P(
    EveryKind, DecodeStaysInsideMember,
    testing::Values(Extent{long_request.c_str(), sizeof(kvn_game_request)}, Extent{"R01", sizeof(kvn_game_request)},
                    Extent{long_accept.c_str(), sizeof(kvn_game_accept)}, Extent{long_move.c_str(), sizeof(kvn_move)},
                    Extent{"M0015322803", sizeof(kvn_move)}, Extent{"E2199999", sizeof(kvn_game_end)},
                    Extent{long_chat.c_str(), sizeof(kvn_chat)}, Extent{"C", sizeof(kvn_chat)},
                    Extent{"B123WZZZZZZZZ", sizeof(kvn_back_request)}, Extent{"K2222222", sizeof(kvn_back_accept)},
                    Extent{"", 0}, Extent{"x", 0}));
