// match_lane.cpp - `kvnlink match-lane`: one lane of a match, started by `kvnlink match`.
//
// It holds the two engines in slots 0 (the first engine) and 1, reads one game
// to play per line of its input and answers each with one line, both JSON:
//   in:  {"game":N,"fen":"W:W...:B...","first_white":true,"seed":S}
//   out: {"game":N,"result":"2-0","ending":"...","plies":P,"white_ms":T,"black_ms":T,"pdn":"..."}
//        {"game":N,"failed":"why"}  when an engine could not be linked
// With --report-moves (match --http), also while the game goes on:
//        {"game":N,"start":true,"white":"A","black":"B","fen":"W:W...:B...","clock_ms":T}  (-1: no clocks)
//        {"game":N,"ply":P,"move":"32-28","from":32,"to":28,"fen":"...","white_ms":T,"black_ms":T}
// The end of its input ends the lane.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <future>

#include "arbiter.h"
#include "draughts/fen.h"
#include "match_options.h"
#include "match_record.h"
#include "child_process.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

struct LaneState {
    std::FILE *reports;
    const MatchOptions &options;
    EventSource &events;
    LaneEngine *engines[2];
    LaneInput input;
};

void write_report(std::FILE *to, const nlohmann::json &report) {
    std::fputs(report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

// What reaches the lane between games: a link lost, or a stray message, which is dropped.
void between_games(const Event &e, LaneState &lane) {
    for (LaneEngine *engine : lane.engines) {
        if (engine->slot() != e.slot || !engine->linked()) continue;
        if (e.wparam == KVN_CONNECTION_LOST) engine->drop();
        else kvn_receive_message(engine->slot(), nullptr);
    }
}

// Before linking engines again: what is queued from links that are gone is dropped.  After
// kvn_disconnect nothing more comes for the old link, but what came before may still wait,
// and an old loss must not end the new link.
void settle(LaneState &lane) {
    for (LaneEngine *engine : lane.engines) engine->drop_if_ended();
    for (Event e; (e = lane.events.next(0)).kind != Event::Kind::timeout;) {
        if (e.kind == Event::Kind::line) lane.input.lines.push_back(e.text);
        else if (e.kind == Event::Kind::end_of_input) lane.input.ended = true;
        else between_games(e, lane);
    }
}

// Both engines at once, as starting a program and waiting for it takes a while.
bool link_both(LaneState &lane, std::uint64_t seed, std::string &error) {
    std::string second_error;
    auto second =
        std::async(std::launch::async, [&] { return lane.engines[1]->ensure_linked(seed + 1, second_error); });
    const bool first = lane.engines[0]->ensure_linked(seed, error);
    const bool both = second.get() && first;
    if (first && !both) error = second_error;
    return both;
}

// The game's start now, and each move as it is played: what the live page shows.
void report_progress(const LaneState &lane, int number, const LaneEngine &white, const LaneEngine &black,
                     GameSetup &setup) {
    write_report(lane.reports, {{"game", number},
                                {"start", true},
                                {"white", white.name()},
                                {"black", black.name()},
                                {"fen", draughts::to_fen(setup.start)},
                                {"clock_ms", setup.time ? static_cast<long>(setup.time->time.count()) : -1L}});
    int ply = 0;
    setup.on_move = [&lane, number, ply](const LiveMove &m) mutable {
        write_report(lane.reports, {{"game", number},
                                    {"ply", ++ply},
                                    {"move", m.notation},
                                    {"from", m.from},
                                    {"to", m.to},
                                    {"fen", m.fen},
                                    {"white_ms", m.white_ms},
                                    {"black_ms", m.black_ms}});
    };
}

nlohmann::json play(const nlohmann::json &order, LaneState &lane) {
    const int number = order.value("game", 0);
    nlohmann::json answer = {{"game", number}};
    std::string error;
    const auto start = draughts::parse_fen(order.value("fen", std::string()), error);
    if (!start) return answer["failed"] = "bad opening: " + error, answer;
    const bool first_white = order.value("first_white", true);
    const std::uint64_t seed = order.value("seed", std::uint64_t{0});
    LaneEngine *white = lane.engines[first_white ? 0 : 1];
    LaneEngine *black = lane.engines[first_white ? 1 : 0];
    GameSetup setup{*start, lane.options.time, lane.options.max_plies, lane.options.timeout_s, seed, true, {}};
    settle(lane);
    if (!link_both(lane, seed, error)) return answer["failed"] = error, answer;
    if (lane.options.report_moves) report_progress(lane, number, *white, *black, setup);
    const GameReport report = Arbiter(setup, white, black, lane.events, lane.input).play();
    if (report.abandoned) return answer["failed"] = "abandoned", answer;
    answer["result"] = draughts::result_text(report.result);
    answer["ending"] = report.ending;
    answer["plies"] = report.game.plies().size();
    answer["white_ms"] = report.clock_ms[0];
    answer["black_ms"] = report.clock_ms[1];
    answer["pdn"] = game_record(report, white->name(), black->name(), number);
    return answer;
}

} // namespace

int run_match_lane(const MatchOptions &o) {
    std::FILE *reports = reserve_standard_output();
    const MatchOptions *options = &o;
    std::string error;
    EventSource events(true);
    std::optional<LaneEngine> engines[2];
    for (int i = 0; i < 2; ++i) {
        const MatchEngine &e = options->engines[i];
        engines[i].emplace(i, e.name, *parse_engine_address(e.addresses[0], error), options->timeout_s, events);
    }
    LaneState lane{reports, *options, events, {&*engines[0], &*engines[1]}, {}};
    for (;;) {
        while (lane.input.lines.empty() && !lane.input.ended) {
            const Event e = events.next(-1);
            if (e.kind == Event::Kind::line) lane.input.lines.push_back(e.text);
            else if (e.kind == Event::Kind::end_of_input) lane.input.ended = true;
            else if (e.kind == Event::Kind::notification) between_games(e, lane);
        }
        if (lane.input.lines.empty()) return exit_ok;
        const std::string line = lane.input.lines.front();
        lane.input.lines.pop_front();
        const nlohmann::json order = nlohmann::json::parse(line, nullptr, false);
        if (order.is_object()) write_report(reports, play(order, lane));
    }
}

} // namespace kvnlink
