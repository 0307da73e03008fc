// match_runner.cpp - `kvnlink match`: schedules the games, runs them in lanes (child
// processes of kvnlink, as one process has only three slots), counts and reports them.
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "draughts/fen.h"
#include "match/pair_scorer.h"
#include "match/random_openings.h"
#include "match/schedule.h"
#include "match/seeded_random.h"
#include "live_server.h"
#include "match_options.h"
#include "match_report.h"
#include "child_process.h"
#include "interrupt.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

struct Lane {
    int index = 0; // from 0; the live page's board index - 1
    std::unique_ptr<ChildProcess> process;
    std::optional<match::ScheduledGame> playing;
};

// The openings' positions as FEN: from the file (shuffled by --seed), random, or the starting position.
std::optional<std::vector<std::string>> opening_fens(const MatchOptions &o, std::uint64_t seed, std::string &error) {
    std::optional<std::vector<match::Opening>> openings;
    if (!o.openings_file.empty()) {
        openings = match::read_openings_file(o.openings_file, error);
        if (openings && o.seed) match::shuffle(*openings, seed);
    } else if (o.random_opening_plies >= 0) {
        openings = match::random_openings((o.games + 1) / 2, o.random_opening_plies, seed, error);
    } else {
        openings = std::vector<match::Opening>{{draughts::to_fen(draughts::Position::initial()), {}, "start"}};
    }
    if (!openings) return std::nullopt;
    std::vector<std::string> fens;
    for (const match::Opening &opening : *openings) {
        const auto position = match::opening_position(opening, error);
        if (!position) return std::nullopt;
        fens.push_back(draughts::to_fen(*position));
    }
    return fens;
}

std::vector<std::string> lane_command(const MatchOptions &o, int lane) {
    std::vector<std::string> words = {own_executable(), "match-lane", "--timeout", std::to_string(o.timeout_s)};
    for (const MatchEngine &e : o.engines)
        words.insert(words.end(), {"--engine", e.name + "=" + lane_address(e, lane)});
    if (o.time) words.insert(words.end(), {"--time", o.time_text});
    if (o.max_plies > 0) words.insert(words.end(), {"--max-plies", std::to_string(o.max_plies)});
    if (o.live.port > 0) words.push_back("--report-moves"); // only then: a match without a page is unchanged
    return words;
}

class MatchRun {
public:
    MatchRun(const MatchOptions &o, std::vector<std::string> fens, std::uint64_t seed, LiveState *live)
        : o_(o), report_(o), live_(live), fens_(std::move(fens)), seed_(seed),
          schedule_(match::schedule_games(o.games, static_cast<int>(fens_.size()))) {}

    int run();

private:
    bool start_lanes();
    void hand_out();
    void take(Lane &lane, const std::string &line);
    void count(int lane, const match::ScheduledGame &game, const nlohmann::json &answer);
    void show_progress(const Lane &lane, const nlohmann::json &news);
    void show_standings(const std::string &test);

    const MatchOptions &o_;
    MatchReport report_;
    LiveState *live_; // null: no live page
    std::vector<std::string> fens_;
    std::uint64_t seed_;
    std::vector<match::ScheduledGame> schedule_;
    std::vector<Lane> lanes_;
    match::PairScorer scorer_;
    size_t next_ = 0;
    bool stopping_ = false;    // no more games are handed out
    bool failed_ = false;      // the match could not run to its end
    bool interrupted_ = false; // Ctrl-C: the games in flight are finished, no new one starts
};

bool MatchRun::start_lanes() {
    const int count = std::min(o_.concurrency, o_.games);
    for (int i = 0; i < count; ++i) {
        std::string error;
        Lane lane;
        lane.index = i;
        lane.process = ChildProcess::start(lane_command(o_, i), ChildProcess::Output::pipe, error);
        if (!lane.process) {
            report_.error("could not start lane " + std::to_string(i + 1) + ": " + error);
            return false;
        }
        lanes_.push_back(std::move(lane));
    }
    report_.started(o_.games, count, seed_, static_cast<int>(fens_.size()));
    show_standings("no test yet");
    return true;
}

void MatchRun::hand_out() {
    for (Lane &lane : lanes_) {
        if (stopping_ || next_ >= schedule_.size() || lane.playing) continue;
        const match::ScheduledGame &game = schedule_[next_++];
        const nlohmann::json order = {
            {"game", game.number},
            {"fen", fens_[static_cast<size_t>(game.opening)]},
            {"first_white", game.first_is_white},
            {"seed", match::SeededRandom(seed_ + static_cast<std::uint64_t>(game.number)).next()}};
        if (!lane.process->write_line(order.dump())) {
            report_.error("a lane went away");
            failed_ = stopping_ = true;
            continue;
        }
        lane.playing = game;
    }
}

void MatchRun::take(Lane &lane, const std::string &line) {
    const nlohmann::json answer = nlohmann::json::parse(line, nullptr, false);
    if (!answer.is_object() || !lane.playing || answer.value("game", -1) != lane.playing->number) return;
    if (answer.contains("start") || answer.contains("ply")) return show_progress(lane, answer);
    const match::ScheduledGame game = *lane.playing;
    lane.playing.reset();
    if (answer.contains("failed")) {
        report_.error("game " + std::to_string(game.number + 1) +
                      " could not be played: " + answer.value("failed", std::string()));
        if (live_ != nullptr)
            live_->game_over(lane.index, "*", "could not be played: " + answer.value("failed", std::string()));
        failed_ = stopping_ = true;
        return;
    }
    count(lane.index, game, answer);
}

void MatchRun::count(int lane, const match::ScheduledGame &game, const nlohmann::json &answer) {
    FinishedGame g;
    g.number = game.number;
    g.white = o_.engines[game.first_is_white ? 0 : 1].name;
    g.black = o_.engines[game.first_is_white ? 1 : 0].name;
    g.result = answer.value("result", std::string("*"));
    g.ending = answer.value("ending", std::string());
    g.plies = answer.value("plies", 0);
    g.white_ms = answer.value("white_ms", -1L);
    g.black_ms = answer.value("black_ms", -1L);
    const draughts::Result result = g.result == "2-0"   ? draughts::Result::white_wins
                                    : g.result == "0-2" ? draughts::Result::black_wins
                                                        : draughts::Result::draw;
    scorer_.record(game, *match::outcome_for_first(result, game.first_is_white));
    report_.game(g, scorer_.tally());
    if (live_ != nullptr) live_->game_over(lane, g.result, g.ending);
    if (!o_.pdn.empty()) {
        std::ofstream file(o_.pdn, std::ios::app | std::ios::binary);
        file << answer.value("pdn", std::string());
        if (!file) report_.error("could not write the game to " + o_.pdn);
    }
    if (!o_.sprt) return show_standings("no test");
    const match::Decision decision = o_.sprt->decide(o_.sprt->llr(scorer_.tally().by_pairs()));
    show_standings(match::decision_text(decision));
    if (decision == match::Decision::play_on || stopping_) return;
    report_.decided(decision, scorer_.tally().games());
    stopping_ = true;
}

// A lane's line about the game it plays: its start, or a move.
void MatchRun::show_progress(const Lane &lane, const nlohmann::json &news) {
    if (live_ == nullptr) return;
    if (news.contains("start")) {
        live_->game_started(lane.index,
                            "game " + std::to_string(lane.playing->number + 1) + " of " + std::to_string(o_.games) +
                                ", lane " + std::to_string(lane.index + 1),
                            news.value("white", std::string()), news.value("black", std::string()),
                            news.value("fen", std::string()), news.value("clock_ms", -1L));
        return;
    }
    LiveMove move;
    move.notation = news.value("move", std::string());
    move.from = news.value("from", 0);
    move.to = news.value("to", 0);
    move.fen = news.value("fen", std::string());
    move.white_ms = news.value("white_ms", -1L);
    move.black_ms = news.value("black_ms", -1L);
    live_->moved(lane.index, move);
}

// The standings as `kvnlink match` prints them in its score lines; `test` is the SPRT's state.
void MatchRun::show_standings(const std::string &test) {
    if (live_ == nullptr) return;
    const match::Tally &t = scorer_.tally();
    const std::string &a = o_.engines[0].name, &b = o_.engines[1].name;
    const std::string score = "+" + std::to_string(t.wins) + " =" + std::to_string(t.draws) + " -" +
                              std::to_string(t.losses) + " in " + std::to_string(t.games()) + " games";
    const std::string played = std::to_string(t.games()) + " of " + std::to_string(o_.games) + " games played";
    const std::string elo = report_.standing(t);
    const std::string sprt = "SPRT: " + test;
    live_->set_match(
        Json{{"first", a},
             {"second", b},
             {"games", o_.games},
             {"played", t.games()},
             {"wins", t.wins},
             {"draws", t.draws},
             {"losses", t.losses},
             {"score", "score " + a + ": " + score},
             {"standing", elo},
             {"sprt", test},
             {"finished", false},
             {"lines", Json::array({a + " vs " + b + ": " + played, "score " + a + ": " + score, elo, sprt})}});
}

int MatchRun::run() {
    catch_interrupt();
    if (!start_lanes()) return exit_failed;
    for (;;) {
        if (interrupted() && !interrupted_) {
            interrupted_ = stopping_ = true;
            report_.interrupted();
        }
        hand_out();
        std::vector<ChildProcess *> busy;
        for (Lane &lane : lanes_)
            if (lane.playing) busy.push_back(lane.process.get());
        // After a failure the games in flight are abandoned: their lanes are ended below.
        if (busy.empty() || failed_) break;
        // A bounded wait, so that Ctrl-C is seen however long a game takes.
        wait_for_output(busy, 200);
        for (Lane &lane : lanes_) {
            while (!lane.process->lines.empty()) {
                const std::string line = lane.process->lines.front();
                lane.process->lines.pop_front();
                take(lane, line);
            }
            if (lane.playing && lane.process->output_ended()) {
                report_.error("a lane ended in game " + std::to_string(lane.playing->number + 1));
                lane.playing.reset();
                failed_ = stopping_ = true;
            }
        }
    }
    lanes_.clear(); // each lane ends at the end of its input, and its engines with it
    report_.results(scorer_.tally(), o_.games);
    if (live_ != nullptr) live_->set_match(Json{{"finished", true}});
    return failed_ ? exit_failed : interrupted_ ? exit_interrupted : exit_ok;
}

} // namespace

int run_match(const MatchOptions &o) {
    if (!can_start_processes()) {
        std::fprintf(stderr, "kvnlink: match is not available on this system (it starts processes)\n");
        return exit_usage;
    }
    const MatchOptions *options = &o;
    std::string error;
    const std::uint64_t seed =
        options->seed ? *options->seed
                      : static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    auto fens = opening_fens(*options, seed, error);
    if (!fens) {
        std::fprintf(stderr, "kvnlink: %s\n", error.c_str());
        return exit_usage;
    }
    // The live page before any lane: a port it cannot have stops the match before it starts.
    const auto page =
        open_live_page(options->live, "match", options->engines[0].name + " vs " + options->engines[1].name, error);
    if (!error.empty()) {
        MatchReport(*options).error(error);
        return exit_usage;
    }
    if (page) MatchReport(*options).live(page->server->url());
    return MatchRun(*options, std::move(*fens), seed, page ? &page->state : nullptr).run();
}

} // namespace kvnlink
