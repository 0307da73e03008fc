// openings_test.cpp - openings files, random balanced openings, shuffling, and who can still win.
#include <gtest/gtest.h>

#include "draughts/fen.h"
#include "match/random_openings.h"
#include "match/seeded_random.h"
#include "match/winning_chances.h"

namespace {

using namespace match;

draughts::Position position_of(const char *fen) {
    std::string error;
    return draughts::parse_fen(fen, error).value();
}

TEST(Openings, FenLinesWithCommentsAndLineNumbers) {
    std::string error;
    const auto openings = parse_openings("# two openings\r\n\r\n W:W31-50:B1-20 \r\nB:W28,31:B19\n", "book.txt", error);
    ASSERT_TRUE(openings) << error;
    ASSERT_EQ(openings->size(), 2u);
    EXPECT_EQ((*openings)[1].start_fen, "B:W28,31:B19");
    EXPECT_EQ((*openings)[1].origin, "book.txt:4");
    EXPECT_TRUE((*openings)[0].moves.empty());

    EXPECT_FALSE(parse_openings("W:W31-50:B1-20\n\nW:W31:B99\n", "book.txt", error));
    EXPECT_EQ(error.rfind("book.txt:3: ", 0), 0u) << error;
    EXPECT_FALSE(parse_openings("W:W1:B10", "book.txt", error)); // white to move cannot
    EXPECT_EQ(error, "book.txt:1: the side to move has no legal move: the game would be over before it starts");
    EXPECT_FALSE(parse_openings("# nothing\n", "empty.txt", error));
    EXPECT_EQ(error, "empty.txt: holds no opening");
    EXPECT_FALSE(read_openings_file("/no/such/openings.txt", error));
    EXPECT_EQ(error, "/no/such/openings.txt: cannot be read");
}

TEST(Openings, RandomOnesAreBalancedAndTheSameForTheSameSeed) {
    std::string error;
    const auto first = random_openings(20, 8, 7, error);
    ASSERT_TRUE(first) << error;
    const auto again = random_openings(20, 8, 7, error).value();
    const auto other = random_openings(20, 8, 8, error).value();
    bool differs = false;
    for (std::size_t i = 0; i < first->size(); ++i) {
        const Opening &opening = (*first)[i];
        EXPECT_EQ(opening.moves, again[i].moves);
        differs = differs || opening.moves != other[i].moves;
        ASSERT_EQ(opening.moves.size(), 8u);
        const draughts::Position end = opening_position(opening, error).value();
        EXPECT_EQ(draughts::count(end.white()), draughts::count(end.black())) << opening.origin;
    }
    EXPECT_TRUE(differs);
    Opening illegal{"W:W31-50:B1-20", {draughts::Move{0, 31, 22}}, "test"};
    EXPECT_FALSE(opening_position(illegal, error));
    EXPECT_EQ(error, "the opening's move 31-22 is not legal");
}

TEST(SeededRandom, SameNumbersOnEveryPlatform) {
    SeededRandom random(0);
    EXPECT_EQ(random.next(), 0xe220a8397b1dcdafu); // SplitMix64's first output for seed 0
    std::vector<int> items{1, 2, 3, 4, 5, 6, 7, 8};
    shuffle(items, 42);
    std::vector<int> again{1, 2, 3, 4, 5, 6, 7, 8};
    shuffle(again, 42);
    EXPECT_EQ(items, again);
    std::vector<int> sorted = items;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(WinningChances, OnlyCertainCasesCountAsHopeless) {
    using draughts::Side;
    EXPECT_FALSE(can_win(position_of("W:W31:B"), Side::black)); // no piece
    EXPECT_TRUE(can_win(position_of("W:W31:B"), Side::white));
    EXPECT_FALSE(can_win(position_of("W:W1:B10"), Side::white)); // to move, stuck
    EXPECT_TRUE(can_win(position_of("B:WK46:B5"), Side::black)); // one man against a king
    EXPECT_TRUE(can_win(draughts::Position::initial(), Side::black));
}

} // namespace
