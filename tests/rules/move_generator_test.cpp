// move_generator_test.cpp - perft from the start, and the positions where move generators usually go wrong.
#include "draughts/perft.h"
#include "rules_test_support.h"

namespace {

using namespace rules_test;
using draughts::Move;
using Moves = std::vector<Move>;

TEST(Perft, StartingPositionToDepthSix) {
    const std::uint64_t known[] = {1, 9, 81, 658, 4265, 27117, 167140};
    for (int depth = 0; depth <= 6; ++depth)
        EXPECT_EQ(draughts::perft(draughts::Position::initial(), depth), known[depth]) << "depth " << depth;
    const auto divided = draughts::perft_divide(draughts::Position::initial(), 3);
    ASSERT_EQ(divided.size(), 9u);
    EXPECT_EQ(draughts::notation(divided.front().move), "31-26");
    EXPECT_EQ(divided.front().count, 80u);
}

// More captures than a move list's fixed array holds: none may be lost.
TEST(Perft, PositionsWithMoreThan256Captures) {
    const struct {
        const char *fen;
        std::uint64_t known[3];
    } crowded[] = {
        {"W:WK1,K6,K35,K36,K45,K46,K50:B2,4,7,11,14,15,21,24,27,29,32,33,42,43", {288, 3669, 24458}},
        {"W:WK2,K3,K4,K5,K7,K36,K46:B1,8,9,10,16,17,20,24,27,29,32,33,42,43", {313, 315, 3960}},
    };
    for (const auto &c : crowded) {
        for (int depth = 1; depth <= 3; ++depth)
            EXPECT_EQ(draughts::perft(position_of(c.fen), depth), c.known[depth - 1]) << c.fen << " depth " << depth;
        // Every entry named apart from the others, though captures share their from and to squares.
        std::vector<std::string> texts;
        for (const auto &e : draughts::perft_divide(position_of(c.fen), 1)) texts.push_back(e.text);
        std::sort(texts.begin(), texts.end());
        EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end()) << c.fen;
        // Filled twice (the second time into the heap block kept by clear()), then copied.
        draughts::MoveList list;
        for (int i = 0; i < 2; ++i) draughts::generate_moves(position_of(c.fen), list);
        const draughts::MoveList copy = list;
        EXPECT_TRUE(std::equal(copy.begin(), copy.end(), list.begin(), list.end())) << c.fen;
        EXPECT_EQ(copy.size(), static_cast<int>(c.known[0]));
    }
}

TEST(Captures, OnlyTheLongestSequenceMayBePlayed) {
    // 32x23 takes one piece, 33x11 takes two: only the second is legal.
    EXPECT_EQ(legal_moves("W:W32,33:B17,28"), Moves({move(33, 11, {28, 17})}));
}

TEST(Captures, KingTakesAtADistanceAndStopsOnAnySquareBeyond) {
    EXPECT_EQ(legal_moves("W:WK46:B28"), Moves({move(46, 5, {28}), move(46, 10, {28}), move(46, 14, {28}),
                                                move(46, 19, {28}), move(46, 23, {28})}));
    // ... but where it can go on taking, it must stop where that is possible.
    EXPECT_EQ(legal_moves("W:WK46:B24,28"), Moves({move(46, 30, {28, 24}), move(46, 35, {28, 24})}));
    // Two pieces in a row cannot be jumped.
    EXPECT_EQ(legal_moves("W:WK46:B23,28"), Moves({move(46, 32), move(46, 37), move(46, 41)}));
}

TEST(Captures, ManCrossingTheFarRowStaysAMan) {
    EXPECT_EQ(legal_moves("W:W13:B9,10"), Moves({move(13, 15, {9, 10})}));
    const auto after = draughts::play(position_of("W:W13:B9,10"), move(13, 15, {9, 10}));
    EXPECT_EQ(draughts::to_fen(after), "B:W15:B");
    EXPECT_EQ(draughts::to_fen(draughts::play(position_of("W:W13:B9"), move(13, 4, {9}))), "B:WK4:B");
}

TEST(Captures, TwoRoutesOverTheSamePiecesAreOneMove) {
    // Round the four pieces either way, back to the square the man left.
    EXPECT_EQ(legal_moves("W:W38:B22,23,32,33"), Moves({move(38, 38, {22, 23, 32, 33})}));
    EXPECT_EQ(draughts::to_fen(draughts::play(position_of("W:W38:B22,23,32,33"), move(38, 38, {22, 23, 32, 33}))),
              "B:W38:B");
}

TEST(Captures, TakenPiecesStayUntilTheEndAndAreNotJumpedTwice) {
    // After 37x..x17 over 28, 13 and 12 the king faces 28 again: it may not jump
    // it a second time, nor pass it to reach 33 while it is still on the board.
    const Moves three = {move(37, 17, {28, 13, 12}), move(37, 21, {28, 13, 12}), move(37, 26, {28, 13, 12})};
    for (const char *fen : {"W:WK37:B12,13,28", "W:WK37:B12,13,28,33"}) EXPECT_EQ(legal_moves(fen), three) << fen;
}

} // namespace
