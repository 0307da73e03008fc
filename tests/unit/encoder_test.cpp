// encoder_test.cpp - the wire text written for every message kind, and every replacement rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "codec_test_support.h"

using kvn_test::encode;
using kvn_test::name_field;
using kvn_test::spaces;
using kvn_test::zero_record;

namespace {

kvn_message game_request(const char *name) {
    kvn_message m = zero_record(KVN_GAME_REQUEST);
    auto &r = m.u.game_request;
    r.version = 1;
    std::strcpy(r.name, name);
    r.colour = 'W';
    r.thinking_time = 5;
    r.move_count = 75;
    kvn_test::set_initial_position(r);
    return m;
}

kvn_message game_accept(const char *name, int16_t code) {
    kvn_message m = zero_record(KVN_GAME_ACCEPT);
    std::strcpy(m.u.game_accept.name, name);
    m.u.game_accept.accept_code = code;
    return m;
}

kvn_message move(int16_t time, int16_t from, int16_t to) {
    kvn_message m = zero_record(KVN_MOVE);
    m.u.move.time = time;
    m.u.move.from_square = from;
    m.u.move.to_square = to;
    return m;
}

kvn_message game_end(int16_t reason, int16_t stop_code) {
    kvn_message m = zero_record(KVN_GAME_END);
    m.u.game_end = {reason, stop_code};
    return m;
}

kvn_message back_request(int16_t number, char side) {
    kvn_message m = zero_record(KVN_BACK_REQUEST);
    m.u.back_request = {number, side};
    return m;
}

kvn_message back_accept(int16_t code) {
    kvn_message m = zero_record(KVN_BACK_ACCEPT);
    m.u.back_accept = {code};
    return m;
}

kvn_message chat(const std::string &text) {
    kvn_message m = zero_record(KVN_CHAT);
    std::memcpy(m.u.chat.text, text.data(), text.size());
    return m;
}

// The fields of a game request between the letter and the position marker.
std::string request_fields(const kvn_message &m) { return encode(m).substr(1, 41); }

} // namespace

TEST(EncodeMessage, WireTextOfEveryKind) {
    EXPECT_EQ(encode(game_request("Alice")), "R01" + name_field("Alice") + "W005075A");
    EXPECT_EQ(encode(game_accept("Bob", 0)), "A" + name_field("Bob") + "0");
    EXPECT_EQ(encode(move(15, 32, 28)), "M0015322800");
    EXPECT_EQ(encode(game_end(1, 0)), "E10");
    EXPECT_EQ(encode(chat("good luck")), "Cgood luck");
    EXPECT_EQ(encode(back_request(12, 'W')), "B012W");
    EXPECT_EQ(encode(back_accept(0)), "K0");
}

TEST(EncodeMessage, UnknownTypeGivesEmptyTextWithCursorZero) {
    for (int32_t type : {0, 8, -1, 100, INT32_MIN, INT32_MAX}) {
        kvn_message m = chat("ignored");
        m.type = type;
        const kvn::MsgText text = kvn_test::encode_text(m);
        EXPECT_STREQ(text.chars, "") << type;
        EXPECT_EQ(text.cursor, 0) << type;
        EXPECT_EQ(text.chars[127], '\0') << type;
    }
}

TEST(EncodeMessage, CursorIsZeroAndBufferTerminatedWhateverTheLength) {
    for (const kvn_message &m : {game_request("x"), move(1, 2, 3), chat(std::string(126, 'c')), back_accept(1)}) {
        const kvn::MsgText text = kvn_test::encode_text(m);
        EXPECT_EQ(text.cursor, 0);
        EXPECT_EQ(text.chars[127], '\0');
    }
}

TEST(EncodeMove, CapturedSquaresAndTheirReplacement) {
    kvn_message m = move(15, 32, 23);
    m.u.move.capture_count = 2;
    m.u.move.captured[0] = 51;
    m.u.move.captured[1] = 7;
    m.u.move.captured[2] = 9; // beyond the count: not sent
    EXPECT_EQ(encode(m), "M001532230200"
                         "07");

    m.u.move.captured[0] = 0;
    m.u.move.captured[1] = -3;
    EXPECT_EQ(encode(m), "M00153223020000");
}

TEST(EncodeMove, CaptureCountOutsideRangeSendsNoSquares) {
    kvn_message m = move(15, 32, 23);
    for (int i = 0; i < 20; ++i) m.u.move.captured[i] = static_cast<int16_t>(i + 1);
    for (int16_t count : {int16_t{21}, int16_t{-1}, int16_t{0}, int16_t{INT16_MIN}, int16_t{INT16_MAX}}) {
        m.u.move.capture_count = count;
        EXPECT_EQ(encode(m), "M0015322300") << count;
    }
    m.u.move.capture_count = 20;
    std::string expected = "M0015322320";
    for (int i = 1; i <= 20; ++i) expected += (i < 10 ? "0" : "") + std::to_string(i);
    EXPECT_EQ(encode(m), expected);
    EXPECT_EQ(expected.size(), 51u);
}

TEST(EncodeMove, TimeAndSquareReplacement) {
    EXPECT_EQ(encode(move(10000, 1, 50)), "M0000015000");
    EXPECT_EQ(encode(move(-1, 1, 50)), "M0000015000");
    EXPECT_EQ(encode(move(9999, 1, 50)), "M9999015000");
    EXPECT_EQ(encode(move(0, 0, 51)), "M0000010100");
    EXPECT_EQ(encode(move(0, -7, INT16_MIN)), "M0000010100");
}

TEST(EncodeGameRequest, NumberReplacement) {
    kvn_message m = game_request("N");
    m.u.game_request.version = 0;
    EXPECT_EQ(request_fields(m).substr(0, 2), "01");
    m.u.game_request.version = 100;
    EXPECT_EQ(request_fields(m).substr(0, 2), "01");
    m.u.game_request.version = 99;
    EXPECT_EQ(request_fields(m).substr(0, 2), "99");

    m.u.game_request.thinking_time = 1000;
    m.u.game_request.move_count = -1;
    EXPECT_EQ(request_fields(m).substr(35, 6), "010000");
    m.u.game_request.thinking_time = -1;
    m.u.game_request.move_count = 1000;
    EXPECT_EQ(request_fields(m).substr(35, 6), "010000");
    m.u.game_request.thinking_time = 0;
    m.u.game_request.move_count = 999;
    EXPECT_EQ(request_fields(m).substr(35, 6), "000999");
}

TEST(EncodeGameRequest, ColourMapping) {
    kvn_message m = game_request("N");
    const auto colour_sent = [&](char c) {
        m.u.game_request.colour = c;
        return encode(m)[35];
    };
    EXPECT_EQ(colour_sent('Z'), 'Z');
    EXPECT_EQ(colour_sent('z'), 'Z');
    EXPECT_EQ(colour_sent('W'), 'W');
    EXPECT_EQ(colour_sent('w'), 'W');
    EXPECT_EQ(colour_sent('B'), 'W');
    EXPECT_EQ(colour_sent('\0'), 'W');
    EXPECT_EQ(colour_sent(static_cast<char>('Z' | 0x80)), 'W');
}

TEST(EncodeNames, PlaceholderForEmptyOrBlankStart) {
    EXPECT_EQ(encode(game_request("")).substr(3, 32), "P" + spaces(31));
    EXPECT_EQ(encode(game_request(" Alice")).substr(3, 32), "P" + spaces(31));
    EXPECT_EQ(encode(game_accept("", 1)), "AQ" + spaces(31) + "1");
    EXPECT_EQ(encode(game_accept(" Bob", 1)), "AQ" + spaces(31) + "1");
}

TEST(EncodeNames, PaddedOrCutToThirtyTwo) {
    EXPECT_EQ(encode(game_accept("Alice", 2)), "AAlice" + spaces(27) + "2");
    EXPECT_EQ(encode(game_accept("a b ", 2)), "Aa b " + spaces(28) + "2");

    const std::string full(32, 'n');
    EXPECT_EQ(encode(game_accept(full.c_str(), 2)), "A" + full + "2");

    // No NUL among the first 32 characters: the 33rd byte is never read.
    kvn_message m = game_accept("", 2);
    std::memset(m.u.game_accept.name, 'n', 33);
    EXPECT_EQ(encode(m), "A" + full + "2");

    kvn_message r = game_request("");
    std::memset(r.u.game_request.name, 'n', 33);
    EXPECT_EQ(encode(r).substr(3, 33), full + "W");
}

TEST(EncodeNames, CharactersAreReducedToSevenBits) {
    EXPECT_EQ(encode(game_accept("\xC1\xE2", 0)), "AAb" + spaces(30) + "0");
}

TEST(EncodeGameAccept, AcceptCodeReplacement) {
    EXPECT_EQ(encode(game_accept("N", 3)).back(), '3');
    EXPECT_EQ(encode(game_accept("N", 7)).back(), '3');
    EXPECT_EQ(encode(game_accept("N", -1)).back(), '3');
    EXPECT_EQ(encode(game_accept("N", 0)).size(), 34u);
}

TEST(EncodeGameRequest, InitialPositionIsOneLetter) {
    const std::string text = encode(game_request("N"));
    EXPECT_EQ(text.size(), 43u);
    EXPECT_EQ(text.back(), 'A');
}

TEST(EncodeGameRequest, OtherSideToMoveIsWrittenInFull) {
    kvn_message m = game_request("N");
    m.u.game_request.side_to_move = 'Z';
    const std::string text = encode(m);
    ASSERT_EQ(text.size(), 94u);
    EXPECT_EQ(text[42], 'B');
    EXPECT_EQ(text[43], 'Z');
    EXPECT_EQ(text.substr(44), std::string(20, 'z') + std::string(10, 'e') + std::string(20, 'w'));
}

TEST(EncodeGameRequest, AnyDifferentSquareIsWrittenInFull) {
    for (size_t square : {0u, 19u, 20u, 29u, 30u, 49u}) {
        kvn_message m = game_request("N");
        m.u.game_request.squares[square] = 'Z';
        const std::string text = encode(m);
        ASSERT_EQ(text.size(), 94u) << square;
        EXPECT_EQ(text.substr(42, 2), "BW");
        EXPECT_EQ(text[44 + square], 'Z');
    }
    // Compared exactly: upper case men are not the initial position.
    kvn_message m = game_request("N");
    m.u.game_request.squares[0] = 'Z';
    m.u.game_request.side_to_move = 'w';
    EXPECT_EQ(encode(m).substr(42, 3), "BwZ");
}

TEST(EncodeGameRequest, PositionCharactersAreReducedButNotInterpreted) {
    kvn_message m = game_request("N");
    m.u.game_request.side_to_move = static_cast<char>(0xDA); // 'Z' | 0x80
    m.u.game_request.squares[10] = '?';
    const std::string text = encode(m);
    EXPECT_EQ(text[43], 'Z');
    EXPECT_EQ(text[54], '?');

    // A NUL ends the string there although later squares stand behind it.
    m.u.game_request.squares[10] = static_cast<char>(0x80);
    const kvn::MsgText raw = kvn_test::encode_text(m);
    EXPECT_EQ(std::strlen(raw.chars), 54u);
    EXPECT_EQ(raw.chars[55], 'z');
    EXPECT_EQ(raw.chars[93], 'w');
    EXPECT_EQ(raw.chars[94], '\0');
}

TEST(EncodeGameEnd, ReasonAndStopCodeReplacement) {
    EXPECT_EQ(encode(game_end(4, 2)), "E01");
    EXPECT_EQ(encode(game_end(3, 0)), "E30");
    EXPECT_EQ(encode(game_end(-1, -1)), "E01");
    EXPECT_EQ(encode(game_end(0, 1)), "E01");
}

TEST(EncodeBackAccept, AcceptCodeReplacement) {
    EXPECT_EQ(encode(back_accept(3)), "K1");
    EXPECT_EQ(encode(back_accept(2)), "K2");
    EXPECT_EQ(encode(back_accept(-1)), "K1");
}

TEST(EncodeBackRequest, MoveNumberAndSide) {
    EXPECT_EQ(encode(back_request(0, 'Z')), "B001Z");
    EXPECT_EQ(encode(back_request(1000, 'Z')), "B001Z");
    EXPECT_EQ(encode(back_request(999, 'q')), "B999q");
    EXPECT_EQ(encode(back_request(0, '\0')), "B001");
    EXPECT_EQ(encode(back_request(5, static_cast<char>(0xD7))), "B005W");
}

TEST(EncodeChat, EmptyChatIsOneSpace) {
    EXPECT_EQ(encode(chat("")), "C ");
    EXPECT_EQ(encode(chat(" ")), "C ");
    EXPECT_EQ(encode(chat("  x ")), "C  x ");
}

TEST(EncodeChat, LengthLimits) {
    const std::string full(126, 'c');
    EXPECT_EQ(encode(chat(full)), "C" + full);
    EXPECT_EQ(encode(chat(full)).size(), 127u);

    // A text field with no NUL at all is read only up to its 126th character.
    kvn_message m = zero_record(KVN_CHAT);
    std::memset(m.u.chat.text, 'd', sizeof m.u.chat.text);
    const kvn::MsgText text = kvn_test::encode_text(m);
    EXPECT_EQ(std::string(text.chars), "C" + std::string(126, 'd'));
    EXPECT_EQ(text.chars[127], '\0');
}

TEST(EncodeChat, CharactersAreReducedToSevenBits) { EXPECT_EQ(encode(chat("h\xE9llo")), "Chillo"); }
