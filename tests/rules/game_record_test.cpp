// game_record_test.cpp - the referee's game (verdicts, game over, the draw rule) and its PDN record read back.
#include "draughts/capture_route.h"
#include "draughts/pdn.h"
#include "draughts/pdn_replay.h"
#include "rules_test_support.h"

namespace {

using namespace rules_test;
using draughts::Ending;
using draughts::Game;
using draughts::Result;
using draughts::Side;

TEST(Game, NoLegalMoveLosesAndLateMovesAreNotPlayed) {
    Game game(position_of("W:W33:B28"));
    EXPECT_TRUE(game.claim(Side::white, move(33, 22, {28})).legal);
    EXPECT_EQ(game.result(), Result::white_wins);
    EXPECT_EQ(game.how_it_ended(), "Z has no legal move");
    EXPECT_EQ(game.ending(), Ending::no_legal_move);
    const auto late = game.claim(Side::black, move(1, 7));
    EXPECT_FALSE(late.played);
    EXPECT_EQ(late.why, "comes after the end of the game");
}

// Each draw rule with the count that ends the game: one ply short of it the game goes on.
TEST(Draws, ThreefoldRepetitionCountsTheStartingPosition) {
    Game game(position_of("W:WK46,K50:BK1,K5"));
    const draughts::Move cycle[] = {move(50, 45), move(1, 6), move(45, 50), move(6, 1)};
    for (int ply = 0; ply < 8; ++ply) {
        EXPECT_EQ(game.result(), Result::unfinished) << ply;
        game.claim(game.position().to_move, cycle[ply % 4]);
    }
    EXPECT_EQ(game.result(), Result::draw);
    EXPECT_EQ(game.ending(), Ending::threefold_repetition);
    EXPECT_STREQ(draughts::ending_name(game.ending()), "threefold repetition");
}

TEST(Draws, SixteenMovesEachAgainstALoneKingCountFromTheCaptureThatMadeTheEndgame) {
    Game game(position_of("W:WK46,K47,45:BK24,40"));
    game.claim(Side::white, move(45, 34, {40})); // two kings and a man against a lone king from here
    EXPECT_EQ(game.draw_counts().endgame(), draughts::Endgame::sixteen_moves);
    ASSERT_TRUE(play_fresh_king_moves(game, 31));
    EXPECT_EQ(game.result(), Result::unfinished);
    ASSERT_TRUE(play_fresh_king_moves(game, 1));
    EXPECT_EQ(game.ending(), Ending::sixteen_move_rule);
    EXPECT_EQ(game.result(), Result::draw);
}

TEST(Draws, FiveMovesEachCountFromTheFirstMoveAndACrowningRestartsThem) {
    Game game(position_of("W:WK46,10:BK50"));
    ASSERT_TRUE(play_fresh_king_moves(game, 2));
    EXPECT_EQ(game.draw_counts().endgame_plies(), 2);
    game.claim(Side::white, move(10, 5)); // crowned: two kings against one, counted afresh
    EXPECT_EQ(game.draw_counts().endgame_plies(), 0);
    ASSERT_TRUE(play_fresh_king_moves(game, 9));
    EXPECT_EQ(game.result(), Result::unfinished);
    ASSERT_TRUE(play_fresh_king_moves(game, 1));
    EXPECT_EQ(game.ending(), Ending::five_move_rule);
}

TEST(Draws, FiftyKingPliesWithoutACaptureDraw) {
    Game game(position_of("W:WK46,K50:BK1,K5")); // two kings each: no endgame count
    ASSERT_TRUE(play_fresh_king_moves(game, draughts::drawing_king_plies - 1));
    EXPECT_EQ(game.result(), Result::unfinished);
    ASSERT_TRUE(play_fresh_king_moves(game, 1));
    EXPECT_EQ(game.ending(), Ending::twenty_five_move_rule);
    EXPECT_EQ(game.how_it_ended(), "25 moves by each side made by kings without a capture");
}

TEST(Game, EndingsOffTheBoardAreRecordedOnce) {
    Game game;
    game.end(Ending::lost_link, Result::black_wins);
    game.end(Ending::time_forfeit, Result::white_wins); // already over
    EXPECT_EQ(game.result(), Result::black_wins);
    EXPECT_EQ(game.how_it_ended(), "lost link");
    EXPECT_STREQ(draughts::ending_pdn_text(game.ending()), "abandoned");
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

TEST(Pdn, ReadsEveryResultFormWithCommentsNagsAndVariations) {
    const char *text = "[Event \"one\"]\n[Result \"1-0\"]\n"
                       "1. 32-28 $1 19-23!? {a comment} 2. 28x19 ; the rest of the line 12-34\n"
                       "(2... 13x24 (3. 33-29 {nested)}) 3. 34-30) 14x23 1-0\n"
                       "[Event \"two\"]\n33-28 0-1\n[Event \"three\"]\n34-29! 1/2-1/2\n"
                       "35-30 2-0 31-26 0-2 32-27 1-1 33-29 *\n";
    std::string error;
    const auto records = draughts::read_pdn_file(text, error);
    ASSERT_EQ(records.size(), 7u) << error;
    std::vector<std::string> results;
    for (const auto &r : records) results.push_back(draughts::normal_result(r.result));
    EXPECT_EQ(results, (std::vector<std::string>{"2-0", "0-2", "1-1", "2-0", "0-2", "1-1", "*"}));
    const auto &first = records[0].movetext;
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(first[2].text, "a comment");
    EXPECT_EQ(first[4].text, "14x23");
    EXPECT_EQ(first[4].line, 4);
    EXPECT_EQ(records[1].line, 5);

    const auto one = draughts::replay_pdn(records[0]);
    EXPECT_TRUE(one.legal) << one.problem;
    EXPECT_EQ(one.plies, 4);
    EXPECT_EQ(one.result_tag, "1-0");
    EXPECT_FALSE(one.agrees); // the rules have not ended the game
    EXPECT_TRUE(draughts::replay_pdn(records[6]).agrees);
}

TEST(Pdn, AmbiguousCaptureIsRefusedWithItsLineAndItsPathIsRead) {
    const std::string tags = "[FEN \"W:WK16:B13,21,23,34\"]\n";
    std::string error;
    const auto records = draughts::read_pdn_file(tags + "\n16x8 *\n" + tags + "16x32x19x8 *\n", error);
    ASSERT_EQ(records.size(), 2u) << error;
    const auto refused = draughts::replay_pdn(records[0]);
    EXPECT_FALSE(refused.legal);
    EXPECT_EQ(refused.problem_line, 3);
    EXPECT_EQ(refused.problem_ply, 1);
    EXPECT_NE(refused.problem.find("'16x8' is ambiguous"), std::string::npos) << refused.problem;
    const auto taken = draughts::replay_pdn(records[1]);
    EXPECT_TRUE(taken.legal) << taken.problem;
    EXPECT_EQ(taken.final_fen, "B:WK8:B34");
}

TEST(Pdn, TagsSayWhereAndHowTheGameEndedAndReadBackAgreeing) {
    Game game(position_of("W:WK46,K50:BK1,K5"));
    for (int i = 0; i < 2; ++i)
        for (const auto &m : {move(50, 45), move(1, 6), move(45, 50), move(6, 1)})
            game.claim(game.position().to_move, m);
    const std::string text = draughts::write_pdn({"e", "2026.01.02", "w", "b"}, game);
    for (const char *tag :
         {"[Site \"?\"]", "[Round \"?\"]", "[GameType \"20\"]", "[Termination \"threefold repetition\"]"})
        EXPECT_NE(text.find(tag), std::string::npos) << tag << "\n" << text;
    std::string error;
    const auto records = draughts::read_pdn_file(text, error);
    ASSERT_EQ(records.size(), 1u) << error;
    const auto replayed = draughts::replay_pdn(records[0]);
    EXPECT_EQ(replayed.plies, 8);
    EXPECT_EQ(replayed.ending, Ending::threefold_repetition);
    EXPECT_TRUE(replayed.agrees);
    EXPECT_EQ(replayed.final_fen, "W:WK46,K50:BK1,K5");
}

} // namespace

namespace {

TEST(Arbiter, AnIllegalMoveLosesAndReadsBackSo) {
    Game game(position_of("W:W33:B28"));
    const auto v = game.claim_as_arbiter(Side::white, move(33, 29)); // leaves the capture 33x22
    EXPECT_TRUE(v.played);
    EXPECT_EQ(game.result(), Result::black_wins);
    EXPECT_EQ(game.ending(), Ending::illegal_move);
    EXPECT_EQ(game.claim_as_arbiter(Side::black, move(28, 33)).why, "comes after the end of the game");
    std::string error;
    const auto records = draughts::read_pdn_file(draughts::write_pdn({"e", "d", "w", "b"}, game), error);
    ASSERT_EQ(records.size(), 1u) << error;
    const auto replayed = draughts::replay_pdn(records[0]);
    EXPECT_TRUE(replayed.legal && replayed.agrees) << replayed.problem;
    EXPECT_EQ(replayed.ending, Ending::illegal_move);
}

TEST(Arbiter, AnOffBoardTerminationAgreesWithTheResultsItAllows) {
    const char *text = "[Result \"*\"]\n[Termination \"lost link\"]\n32-28 *\n"
                       "[Result \"0-2\"]\n[Termination \"game end message\"]\n32-28 0-2\n"
                       "[Result \"1-1\"]\n[Termination \"time forfeit\"]\n32-28 1-1\n";
    std::string error;
    const auto records = draughts::read_pdn_file(text, error);
    ASSERT_EQ(records.size(), 3u) << error;
    const auto lost = draughts::replay_pdn(records[0]), ended = draughts::replay_pdn(records[1]),
               forfeit = draughts::replay_pdn(records[2]);
    EXPECT_TRUE(lost.agrees);
    EXPECT_EQ(lost.ending, Ending::lost_link);
    EXPECT_TRUE(ended.agrees);
    EXPECT_EQ(ended.result, Result::black_wins);
    EXPECT_FALSE(forfeit.agrees); // a time forfeit decides the game
    EXPECT_EQ(forfeit.ending, Ending::none);
}

} // namespace
