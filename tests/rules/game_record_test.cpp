// game_record_test.cpp - the referee's game (verdicts, game over, the draw rule) and its PDN record read back.
#include "draughts/capture_route.h"
#include "draughts/pdn.h"
#include "rules_test_support.h"

namespace {

using namespace rules_test;
using draughts::Game;
using draughts::Result;
using draughts::Side;

TEST(Game, NoLegalMoveLosesAndLateMovesAreNotPlayed) {
    Game game(position_of("W:W33:B28"));
    EXPECT_TRUE(game.claim(Side::white, move(33, 22, {28})).legal);
    EXPECT_EQ(game.result(), Result::white_wins);
    EXPECT_EQ(game.how_it_ended(), "Z has no legal move");
    const auto late = game.claim(Side::black, move(1, 7));
    EXPECT_FALSE(late.played);
    EXPECT_EQ(late.why, "comes after the end of the game");
}

TEST(Game, FiftyKingPliesWithoutACaptureDraw) {
    Game game(position_of("W:WK46:BK5"));
    for (int ply = 0; ply < draughts::drawing_king_plies; ++ply) {
        EXPECT_EQ(game.result(), Result::unfinished) << ply;
        const bool out = ply % 4 < 2; // each king goes one square out and comes back
        game.claim(ply % 2 ? Side::black : Side::white,
                   ply % 2 ? (out ? move(5, 10) : move(10, 5)) : (out ? move(46, 41) : move(41, 46)));
    }
    EXPECT_EQ(game.result(), Result::draw);
}

TEST(Game, IllegalMovesSayWhyAndArePlayedOnlyWhenPossible) {
    Game game(position_of("W:W32,33:B28"));
    EXPECT_EQ(game.objection(Side::black, move(28, 37)), "is out of turn: W is to move");
    const auto skipped = game.claim(Side::white, move(32, 27));
    EXPECT_EQ(skipped.why, "leaves a compulsory capture 32x23");
    EXPECT_TRUE(skipped.played);
    EXPECT_EQ(game.position().to_move, Side::black);
    const auto impossible = game.claim(Side::black, move(40, 45));
    EXPECT_EQ(impossible.why, "starts from an empty square");
    EXPECT_FALSE(game.following());
}

TEST(Pdn, AmbiguousCapturesGetTheirPathAndEverythingReadsBack) {
    const auto start = position_of("W:WK16:B13,21,23,34");
    std::vector<draughts::Move> routes; // the two captures from 16 to 8, over different pieces
    for (const auto &m : legal_moves("W:WK16:B13,21,23,34"))
        if (m.to == 8) routes.push_back(m);
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(draughts::pdn_move(start, routes[0]), "16x32x19x8");
    EXPECT_EQ(draughts::capture_route(start, routes[1], {30}), (std::vector<int>{43, 30, 8}));

    Game game(start);
    game.claim(Side::white, routes[1]);
    game.claim(Side::black, move(13, 19)); // the piece went
    game.claim(Side::black, move(34, 39));
    const draughts::PdnTags tags{"test", "2026.01.02", "Wit \"W\"", "Zwart"};
    const std::string text = draughts::write_pdn(tags, game) + draughts::write_pdn(tags, Game());
    EXPECT_NE(text.find("{illegal move by Z: 13-19 starts from an empty square}"), std::string::npos) << text;

    std::string error;
    const auto games = draughts::read_pdn(text, error);
    ASSERT_EQ(games.size(), 2u) << error;
    EXPECT_EQ(games[0].tag("White"), "Wit \"W\"");
    EXPECT_EQ(games[0].tag("FEN"), "W:WK16:B13,21,23,34");
    ASSERT_EQ(games[0].game.plies().size(), game.plies().size());
    for (size_t i = 0; i < game.plies().size(); ++i) EXPECT_EQ(games[0].game.plies()[i].move, game.plies()[i].move);
    EXPECT_FALSE(games[0].game.following());
    EXPECT_TRUE(games[1].game.plies().empty());
    EXPECT_EQ(games[1].tag("Result"), "*");
}

} // namespace
