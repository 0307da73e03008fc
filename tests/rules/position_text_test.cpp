// position_text_test.cpp - positions as FEN and as the square letters of a game request, both ways.
#include "codec/codec.h"
#include "draughts/square_string.h"
#include "rules_test_support.h"

namespace {

using namespace rules_test;

TEST(Fen, RoundTripsWithKingsAndRanges) {
    EXPECT_EQ(position_of("W:W31-50:B1-20"), draughts::Position::initial());
    const draughts::Position p = position_of(" \"B:BK3,10-12:WK49,30.\" ");
    EXPECT_EQ(draughts::to_fen(p), "B:W30,K49:BK3,10,11,12");
    EXPECT_EQ(draughts::to_fen(position_of(draughts::to_fen(p).c_str())), draughts::to_fen(p));
}

TEST(Fen, TakesAnyWhitespaceAroundItsPartsAndShowsNoRawControlCharacters) {
    for (const char *fen : {"W : W31,32 : B1,2", "\tW:\tW31 ,\t32\r\n:B1, 2\r\n", " W:W 31,32:\tB1,2."})
        EXPECT_EQ(draughts::to_fen(position_of(fen)), "W:W31,32:B1,2") << fen;
    std::string error;
    EXPECT_FALSE(draughts::parse_fen("W:W3\t1:B1", error).has_value());
    EXPECT_EQ(error, "'3\\t1' is not a square 1-50 or a range of them");
    EXPECT_FALSE(draughts::parse_fen("W:W31:\rQ1", error).has_value());
    EXPECT_EQ(error.find_first_of("\t\r\n"), std::string::npos) << error;
}

TEST(Fen, RefusesWhatIsNoPosition) {
    for (const char *bad : {"", "X:W1:B2", "W:W51:B1", "W:W1,1", "W:W1:W2", "W:W5-3", "W:W1:B2:Q3", "W:Wx"}) {
        std::string error;
        EXPECT_FALSE(draughts::parse_fen(bad, error).has_value()) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(SquareString, RoundTripsAndRefusesUnknownLetters) {
    const std::string initial = kvn::initial_squares;
    std::string error;
    EXPECT_EQ(draughts::parse_square_string('W', initial, error), draughts::Position::initial());
    const draughts::Position p = position_of("B:WK49,30:BK3,11");
    EXPECT_EQ(draughts::square_string(p), "eeZeeeeeeezeeeeeeeeeeeeeeeeeeweeeeeeeeeeeeeeeeeeWe");
    EXPECT_EQ(draughts::side_letter(p.to_move), 'Z');
    EXPECT_EQ(draughts::parse_square_string('Z', draughts::square_string(p), error), p);
    EXPECT_FALSE(draughts::parse_square_string('W', "x" + initial.substr(1), error).has_value());
    EXPECT_FALSE(draughts::parse_square_string('Q', initial, error).has_value());
    EXPECT_FALSE(draughts::parse_square_string('W', initial.substr(1), error).has_value());
}

} // namespace
