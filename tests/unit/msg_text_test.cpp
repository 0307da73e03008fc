// msg_text_test.cpp - MsgText building operations and the fixed-position field readers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "codec/msg_text.h"
#include "codec_test_support.h"

using kvn::MsgText;

namespace {

MsgText junk_text() {
    MsgText t;
    std::memset(&t, 'x', sizeof t);
    t.clear();
    return t;
}

std::string appended_number(int32_t value, int32_t width) {
    MsgText t = junk_text();
    t.append_number(value, width);
    return t.chars;
}

} // namespace

TEST(MsgTextClear, EmptiesTextAndGuardsLastPosition) {
    MsgText t;
    std::memset(&t, 'x', sizeof t);
    t.clear();
    EXPECT_EQ(t.chars[0], '\0');
    EXPECT_EQ(t.chars[127], '\0');
    EXPECT_EQ(t.cursor, 0);
}

TEST(MsgTextAppendChar, StopsAtCapacityWithTerminatorIntact) {
    MsgText t = junk_text();
    for (int i = 0; i < 127; ++i) ASSERT_TRUE(t.append_char(static_cast<char>('a' + i % 26))) << i;
    EXPECT_EQ(t.cursor, 127);
    EXPECT_FALSE(t.append_char('z'));
    EXPECT_EQ(t.cursor, 127);
    EXPECT_EQ(t.chars[126], static_cast<char>('a' + 126 % 26));
    EXPECT_EQ(t.chars[127], '\0');
    EXPECT_EQ(std::strlen(t.chars), 127u);
}

TEST(MsgTextAppendChar, RefusesWhenCursorIsBeyondCapacity) {
    MsgText t = junk_text();
    t.cursor = 500;
    EXPECT_FALSE(t.append_char('a'));
    EXPECT_EQ(t.cursor, 500);
    EXPECT_EQ(t.chars[127], '\0');
}

TEST(MsgTextAppendChar, RefusesNegativeCursor) {
    MsgText t = junk_text();
    t.cursor = -1;
    EXPECT_FALSE(t.append_char('a'));
    EXPECT_FALSE(t.append_chars("abc", 3));
    EXPECT_FALSE(t.append_number(12, 2));
    EXPECT_EQ(t.cursor, -1);
    EXPECT_STREQ(t.chars, "");
}

// The bulk form must behave exactly like one append_char per character.
TEST(MsgTextAppendChars, MatchesAppendCharOneByOne) {
    const char source[] = "ab\x80"
                          "c\xC1"
                          "d";
    for (int32_t start : {0, 1, 120, 124, 126, 127}) {
        for (int32_t count : {0, 1, 3, 6}) {
            MsgText bulk = junk_text(), single = junk_text();
            for (int32_t i = 0; i < start; ++i) {
                bulk.append_char('p');
                single.append_char('p');
            }
            const bool bulk_result = bulk.append_chars(source, count);
            bool all_stored = true;
            for (int32_t i = 0; i < count; ++i) all_stored = single.append_char(source[i]) && all_stored;
            EXPECT_EQ(bulk_result, all_stored) << start << "/" << count;
            EXPECT_EQ(bulk.cursor, single.cursor) << start << "/" << count;
            EXPECT_EQ(std::memcmp(bulk.chars, single.chars, sizeof bulk.chars), 0) << start << "/" << count;
        }
    }
}

TEST(MsgTextAppendChar, KeepsOnlySevenBits) {
    MsgText t = junk_text();
    EXPECT_TRUE(t.append_char(static_cast<char>(0xC1)));
    EXPECT_EQ(t.chars[0], 'A');
    // 0x80 becomes NUL: the string ends there although the cursor moves on.
    EXPECT_TRUE(t.append_char(static_cast<char>(0x80)));
    EXPECT_TRUE(t.append_char('B'));
    EXPECT_EQ(t.cursor, 3);
    EXPECT_STREQ(t.chars, "A");
    EXPECT_EQ(t.chars[2], 'B');
    EXPECT_EQ(t.chars[3], '\0');
}

TEST(MsgTextAppendNumber, WritesLastDigitsOfWidth) {
    EXPECT_EQ(appended_number(7, 2), "07");
    EXPECT_EQ(appended_number(123, 2), "23");
    EXPECT_EQ(appended_number(12345, 4), "2345");
    EXPECT_EQ(appended_number(15, 4), "0015");
    EXPECT_EQ(appended_number(999, 3), "999");
    EXPECT_EQ(appended_number(1000, 3), "000");
    EXPECT_EQ(appended_number(0, 1), "0");
    EXPECT_EQ(appended_number(47, 1), "7");
}

TEST(MsgTextAppendNumber, WidthBelowOneWritesUnitsDigit) {
    EXPECT_EQ(appended_number(47, 0), "7");
    EXPECT_EQ(appended_number(47, -3), "7");
}

TEST(MsgTextAppendNumber, NegativeValuesWriteZeros) {
    EXPECT_EQ(appended_number(-5, 3), "000");
    EXPECT_EQ(appended_number(-1, 1), "0");
    EXPECT_EQ(appended_number(INT32_MIN, 4), "0000");
}

TEST(MsgTextAppendNumber, WidthAboveFourAppendsNothing) {
    MsgText t = junk_text();
    EXPECT_FALSE(t.append_number(9, 5));
    EXPECT_FALSE(t.append_number(9, 1000));
    EXPECT_EQ(t.cursor, 0);
    EXPECT_STREQ(t.chars, "");
}

TEST(MsgTextAppendNumber, FullBufferDropsDigitsAndReportsLastResult) {
    MsgText t = junk_text();
    for (int i = 0; i < 125; ++i) t.append_char('a');
    EXPECT_FALSE(t.append_number(1234, 4)); // "12" fit, "34" are dropped
    EXPECT_EQ(t.cursor, 127);
    EXPECT_EQ(std::string(t.chars + 125), "12");

    MsgText u = junk_text();
    for (int i = 0; i < 123; ++i) u.append_char('a');
    EXPECT_TRUE(u.append_number(1234, 4)); // exactly fills the buffer
    EXPECT_EQ(std::string(u.chars + 123), "1234");
}

TEST(MsgTextCopyFrom, CopiesAllCharactersAndResetsCursor) {
    MsgText source = junk_text();
    for (int i = 0; i < 128; ++i) source.chars[i] = static_cast<char>(i);
    source.cursor = 40;
    MsgText target = junk_text();
    target.cursor = 9;
    target.copy_from(source);
    EXPECT_EQ(std::memcmp(target.chars, source.chars, sizeof source.chars), 0);
    EXPECT_EQ(target.cursor, 0);
}

TEST(MsgTextCopyFrom, SelfCopyChangesNothing) {
    MsgText t = junk_text();
    t.append_char('M');
    t.append_char('0');
    t.cursor = 40;
    MsgText before;
    std::memcpy(&before, &t, sizeof t);
    t.copy_from(t);
    EXPECT_EQ(std::memcmp(&before, &t, sizeof t), 0);
}

TEST(MsgTextSetFromString, CopiesReducesAndZeroFillsTheRest) {
    MsgText t;
    std::memset(&t, 'x', sizeof t);
    t.cursor = 77;
    t.set_from_string("M\xCD"
                      "0");
    EXPECT_STREQ(t.chars, "MM0");
    EXPECT_EQ(t.cursor, 0);
    for (int i = 3; i < 128; ++i) EXPECT_EQ(t.chars[i], '\0') << i;
}

TEST(MsgTextSetFromString, ByteWithZeroLowBitsEndsTheText) {
    MsgText t = junk_text();
    t.set_from_string("AB\x80"
                      "CD");
    EXPECT_STREQ(t.chars, "AB");
    EXPECT_EQ(t.cursor, 0);
}

TEST(MsgTextSetFromString, CutsAfter127Characters) {
    const std::string longer(200, 'q');
    MsgText t = junk_text();
    t.set_from_string(longer.c_str());
    EXPECT_EQ(std::strlen(t.chars), 127u);
    EXPECT_EQ(t.chars[127], '\0');
    t.set_from_string("");
    EXPECT_STREQ(t.chars, "");
    for (int i = 0; i < 128; ++i) EXPECT_EQ(t.chars[i], '\0') << i;
}

TEST(ReadNumber, ReadsFieldsWhollyInsideTheText) {
    EXPECT_EQ(kvn_test::read_number("M0123", 1, 4), 123u);
    EXPECT_EQ(kvn_test::read_number("M012", 1, 4), 0u); // runs past the end
    EXPECT_EQ(kvn_test::read_number("M0015322800", 5, 2), 32u);
    EXPECT_EQ(kvn_test::read_number("M9999", 1, 4), 9999u);
    EXPECT_EQ(kvn_test::read_number("E41", 2, 1), 1u);
    EXPECT_EQ(kvn_test::read_number("E41", 3, 1), 0u);
    EXPECT_EQ(kvn_test::read_number("", 0, 1), 0u);
}

TEST(ReadNumber, NonDigitsCountAsZero) {
    EXPECT_EQ(kvn_test::read_number("x1x", 1, 2), 10u);
    EXPECT_EQ(kvn_test::read_number("x  ", 1, 2), 0u);
    EXPECT_EQ(kvn_test::read_number("R 1", 1, 2), 1u);
    EXPECT_EQ(kvn_test::read_number("R-1", 1, 2), 1u);
    EXPECT_EQ(kvn_test::read_number("R\xB5"
                                    "3",
                                    1, 2),
              3u);
}

TEST(ReadNumber, WidthZeroGivesZero) {
    EXPECT_EQ(kvn_test::read_number("M0123", 1, 0), 0u);
    EXPECT_EQ(kvn_test::read_number("M0123", 5, 0), 0u);
}

// Where size_t has 32 bits, position + width must not wrap round to a small
// sum that passes the bounds test.
TEST(ReadNumber, HugePositionOrWidthReadsNothing) {
    EXPECT_EQ(kvn_test::read_number("M0123", 0xFFFFFFFFu, 2), 0u);
    EXPECT_EQ(kvn_test::read_number("M0123", 1, 0xFFFFFFFFu), 0u);
    EXPECT_EQ(kvn_test::read_number("M0123", 0x80000000u, 0x80000001u), 0u);
}

TEST(ReadName, HugePositionReadsEmptyName) {
    char name[33] = "x";
    kvn_test::read_name(std::string(40, 'n').c_str(), 0xFFFFFFF0u, name);
    EXPECT_EQ(name[0], '\0');
}

TEST(ReadName, TrimsTrailingSpacesOnly) {
    char name[33];
    std::memset(name, 'x', sizeof name);
    kvn_test::read_name(("Aabcde" + std::string(27, ' ') + "3").c_str(), 1, name);
    EXPECT_STREQ(name, "abcde");
    for (int i = 5; i < 33; ++i) EXPECT_EQ(name[i], '\0') << i;

    kvn_test::read_name(("Aab cd" + std::string(27, ' ')).c_str(), 1, name);
    EXPECT_STREQ(name, "ab cd");

    kvn_test::read_name((" ab" + std::string(30, 'y')).c_str(), 1, name);
    EXPECT_EQ(std::string(name), "ab" + std::string(30, 'y'));
}

TEST(ReadName, BlankOrShortFieldIsEmpty) {
    char name[33];
    std::memset(name, 'x', sizeof name);
    kvn_test::read_name(("A" + std::string(32, ' ')).c_str(), 1, name);
    for (int i = 0; i < 33; ++i) EXPECT_EQ(name[i], '\0') << i;

    std::memset(name, 'x', sizeof name);
    kvn_test::read_name(std::string(20, 'a').c_str(), 1, name);
    EXPECT_EQ(name[0], '\0');
    EXPECT_EQ(name[1], 'x'); // nothing else is touched

    std::memset(name, 'x', sizeof name);
    kvn_test::read_name(std::string(32, 'a').c_str(), 1, name); // one short
    EXPECT_EQ(name[0], '\0');
}

TEST(ReadName, FullFieldIsTerminatedAndNullDestinationIsIgnored) {
    char name[34];
    std::memset(name, 'x', sizeof name);
    const std::string text = "A" + std::string(32, 'n') + "tail";
    kvn_test::read_name(text.c_str(), 1, name);
    EXPECT_EQ(std::string(name), std::string(32, 'n'));
    EXPECT_EQ(name[33], 'x');
    kvn_test::read_name(text.c_str(), 1, nullptr);
}
